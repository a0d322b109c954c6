// GMime 3 in the attachment bench: parse the message from a file stream and write every part
// that has a file name, decoded, into the folder.
#include <fcntl.h>
#include <gmime/gmime.h>

#include <chrono>
#include <cstring>
#include <string>

#include "gmime_load.h"
#include "mime_parts_peers.h"

namespace bench {
namespace {

struct SaveState {
    std::string folder;
    std::size_t written = 0;
    bool ok = true;
};

void save_part(GMimeObject*, GMimeObject* object, gpointer data) {
    auto* state = static_cast<SaveState*>(data);
    if (!GMIME_IS_PART(object)) return;
    GMimePart* part = GMIME_PART(object);
    const char* name = g_mime_part_get_filename(part);
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!name || !content) return;
    const char* slash = std::strrchr(name, '/');
    std::string path = state->folder + "/" + (slash ? slash + 1 : name);
    GError* err = nullptr;
    GMimeStream* out = g_mime_stream_fs_open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644, &err);
    if (!out) {
        if (err) g_error_free(err);
        state->ok = false;
        return;
    }
    ssize_t n = g_mime_data_wrapper_write_to_stream(content, out);
    if (n < 0 || g_mime_stream_flush(out) != 0) state->ok = false;
    state->written += n > 0 ? static_cast<std::size_t>(g_mime_stream_tell(out)) : 0;
    g_object_unref(out);
}

}  // namespace

SaveResult gmime_save_all(const std::string& file, const std::string& folder) {
    gmime_setup();
    auto start = std::chrono::steady_clock::now();
    bool opened = false;
    GMimeMessage* message = gmime_load(file, opened);
    if (!message) return {};
    SaveState state{folder};
    g_mime_message_foreach(message, save_part, &state);
    g_object_unref(message);
    if (!state.ok) return {};
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), state.written};
}

}  // namespace bench
