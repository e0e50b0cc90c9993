// The K5 table reply: count, ambient and trigger bytes, then ten show blocks (163 bytes).

#include "TableReplyFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    marrowick::fuzz::TableReplyCase("K5", marrowick::fuzz::AsString(data, size));
    return 0;
}
