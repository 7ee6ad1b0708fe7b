// SPDX-License-Identifier: BSD-3-Clause
#include "StartArguments.h"

#include <QCommandLineParser>

#include "convert/formats/RecordingFacts.h"

namespace vantrel {

StartArguments ReadStartArguments(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Converts the recording files of the data-acquisition cards. FILE is "
                       "loaded at start, as Browse and Load would load it."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The recording to load."),
                                 QStringLiteral("[FILE]"));
    StartArguments start;
    if (!parser.parse(arguments)) {
        start.action = StartArguments::Action::kUsageError;
        start.text = parser.errorText() + QLatin1Char('\n') + parser.helpText();
        return start;
    }
    // Qt's own options are not taken: --help-all tells what --help tells.
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        start.action = StartArguments::Action::kPrint;
        start.text = parser.helpText();
        return start;
    }
    if (parser.isSet(version)) {
        start.action = StartArguments::Action::kPrint;
        start.text = QStringLiteral("vantrel ") + QString::fromStdString(ProgramVersion()) +
                     QLatin1Char('\n');
        return start;
    }
    QStringList files = parser.positionalArguments();
    if (!files.isEmpty()) {
        start.file = files.takeFirst();
        start.others = files;
    }
    return start;
}

QString NotOpenedMessage(const QStringList& others) {
    return QStringLiteral("Only the first file is opened. Not opened: ") +
           others.join(QStringLiteral(", "));
}

}  // namespace vantrel
