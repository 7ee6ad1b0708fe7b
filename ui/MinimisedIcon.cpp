// SPDX-License-Identifier: BSD-3-Clause
#include "MinimisedIcon.h"

namespace vantrel {

QPoint MinimisedIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
    // C++ division truncates toward zero, as the rule requires.
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

}  // namespace vantrel
