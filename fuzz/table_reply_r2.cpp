// The R2-layout table reply: the 304-byte table image that 000.CFG also holds.

#include "TableReplyFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    marrowick::fuzz::TableReplyCase("R2", marrowick::fuzz::AsString(data, size));
    return 0;
}
