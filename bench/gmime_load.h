// How the benchmarks' GMime peers read a message: GMime set up once (before the clock starts),
// then each file parsed from a file stream.
#pragma once

#include <fcntl.h>
#include <gmime/gmime.h>

#include <string>

namespace bench {

// Sets GMime up on the first call; later calls do nothing.
inline void gmime_setup() {
    static const bool initialised = (g_mime_init(), true);
    (void)initialised;
}

// The parsed message, or null when the file cannot be opened (`opened` false) or parsed; the
// caller unrefs it.
inline GMimeMessage* gmime_load(const std::string& file, bool& opened) {
    GError* err = nullptr;
    GMimeStream* stream = g_mime_stream_fs_open(file.c_str(), O_RDONLY, 0, &err);
    opened = stream != nullptr;
    if (!stream) {
        if (err) g_error_free(err);
        return nullptr;
    }
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    g_object_unref(parser);
    g_object_unref(stream);
    return message;
}

}  // namespace bench
