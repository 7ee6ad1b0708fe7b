// Placeholder so the tree links until the writers land.
#include "convert/OutputWriters.h"

namespace vantrel {

WriteResult WriteScaledText(const WriteJob&) {
    return WriteResult::kWriteFailed;
}
WriteResult WriteScaledBinary(const WriteJob&) {
    return WriteResult::kWriteFailed;
}
WriteResult WriteCodesText(const WriteJob&) {
    return WriteResult::kWriteFailed;
}

}  // namespace vantrel
