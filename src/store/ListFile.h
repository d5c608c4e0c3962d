#pragma once
#include "store/ListRecord.h"
#include "store/RecordFile.h"

namespace mox {

// A working list file (.lst): 224-byte list records, no header.
using ListFile = RecordFile<ListRecord>;

} // namespace mox
