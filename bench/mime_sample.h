// Generated sample mail for the message-parser bench: typical messages of 2-20 KB with the
// header shapes seen in real mail (several Received lines, encoded words, quoted names,
// recipient lists), and single large messages of a given size. Deterministic, CR LF lines.
#pragma once

#include <cstddef>
#include <string>

namespace bench {

// Message number `n` of the typical set; its size lies between 2 and 20 KB.
std::string typical_message(unsigned n);

// One message whose body brings it to about `bytes` bytes.
std::string large_message(std::size_t bytes);

}  // namespace bench
