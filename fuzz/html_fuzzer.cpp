// libFuzzer target for HTML to text: any bytes must convert without a crash, and the text
// is never longer than the input (a tag end that adds CR LF consumed at least four bytes).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "mime/html_to_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view html(reinterpret_cast<const char*>(data), size);
    std::string text = velmo::html_to_text(html);
    if (text.size() > html.size()) std::abort();
    return 0;
}
