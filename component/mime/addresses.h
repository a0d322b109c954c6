// Addresses as written in From, To, Cc and Reply-To fields: one address split into its
// address and display name, and a recipient field cut into its pieces.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmo {

struct SplitResult {
    std::string address;
    std::string name;
};

// One address: bare, 'name <address>' or '"name" <address>'. The text is not trimmed; the
// byte just before an unquoted "<" is dropped from the name, and an unquoted name is passed
// through DecodeWords. A name missing where the rules look for one is the address.
SplitResult SplitAddress(std::string_view text);

// A recipient field cut at every "," (quotes are not respected), pieces unchanged; the piece
// after the last comma counts even when empty. An empty field has no pieces.
std::vector<std::string> split_recipients(std::string_view field);

}  // namespace velmo
