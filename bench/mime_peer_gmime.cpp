// GMime 3 doing the same: parse the message from a file stream and ask its header API.
#include <fcntl.h>
#include <gmime/gmime.h>

#include <chrono>

#include "gmime_load.h"
#include "mime_peers.h"

namespace bench {
namespace {

// Characters of UTF-8 text, the unit the other contestants count in.
std::size_t length(const char* s) { return s ? static_cast<std::size_t>(g_utf8_strlen(s, -1)) : 0; }

std::size_t first_mailbox(InternetAddressList* list, bool with_name) {
    if (!list || internet_address_list_length(list) < 1) return 0;
    InternetAddress* a = internet_address_list_get_address(list, 0);
    std::size_t n = 0;
    if (with_name) n += length(internet_address_get_name(a));
    if (INTERNET_ADDRESS_IS_MAILBOX(a)) n += length(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a)));
    return n;
}

}  // namespace

PeerResult run_gmime(const std::vector<std::string>& files) {
    gmime_setup();
    PeerResult r;
    auto start = std::chrono::steady_clock::now();
    for (const std::string& file : files) {
        bool opened = false;
        GMimeMessage* message = gmime_load(file, opened);
        if (!opened) return {};
        if (message) {
            r.answer_bytes += length(g_mime_message_get_subject(message));
            r.answer_bytes += first_mailbox(g_mime_message_get_from(message), true);
            r.answer_bytes += first_mailbox(g_mime_message_get_to(message), false);
            r.answer_bytes += length(g_mime_object_get_header(GMIME_OBJECT(message), "Date"));
            g_object_unref(message);
        }
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return r;
}

}  // namespace bench
