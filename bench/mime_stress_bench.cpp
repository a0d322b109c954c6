// Stress bench for the message parser's worst everyday shapes, through the POPMSG interface:
// (a) a message with 16,000 small attachments, most of them named alike, saved with
// SaveAllAttachments into an empty folder, beside the floor of creating and writing as many
// small files with plain system calls; (b) a 100 KB Subject of encoded words cycling through
// 20 charsets, decoded with GetSubject. Prints the time of each (best of three). The folder is
// made under TMPDIR (default /tmp): TMPDIR=/dev/shm leaves the disk out.
//
//   mime_stress_bench [ATTACHMENTS]     number of attachments (default 16000)
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "frame/automation.h"
#include "frame/text.h"

namespace {

namespace fs = std::filesystem;

struct Bstr {
    explicit Bstr(const std::string& s) : b(velmo::to_bstr(s)) {}
    ~Bstr() { SysFreeString(b); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR b;
};

velmo::ComPtr<IPOPMSG> new_popmsg() {
    velmo::ComPtr<IPOPMSG> msg;
    if (VelmoCreateInstance(u"Velmo.POPMSG", IID_IPOPMSG, msg.put_void()) != S_OK) std::exit(1);
    return msg;
}

// Every fourth attachment has a name of its own; the rest are all "report.pdf", the shape of a
// mailing that attaches the same form again and again.
std::string many_attachments(int count) {
    std::string m = "From: a@example.net\r\nSubject: many\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                    "--b\r\nContent-Type: text/plain\r\n\r\nsee attached\r\n";
    for (int i = 0; i < count; ++i) {
        std::string name = i % 4 == 0 ? "file-" + std::to_string(i) + ".txt" : "report.pdf";
        m += "--b\r\nContent-Type: application/octet-stream; name=\"" + name +
             "\"\r\nContent-Transfer-Encoding: base64\r\n\r\nSGVsbG8sIHdvcmxkIQ==\r\n";
    }
    return m + "--b--\r\n";
}

// About 100 KB of encoded words, cycling through 20 charsets.
std::string many_charsets_subject() {
    static const char* const charsets[20] = {
        "iso-8859-2", "iso-8859-3", "iso-8859-4", "iso-8859-5", "iso-8859-7", "iso-8859-9", "iso-8859-13",
        "iso-8859-15", "koi8-r", "koi8-u", "windows-1250", "windows-1251", "windows-1253", "windows-1254",
        "windows-1257", "shift_jis", "euc-jp", "gb2312", "big5", "iso-8859-1"};
    std::string s = "Subject: ";
    for (int i = 0; s.size() < 100 * 1024; ++i) s += std::string("=?") + charsets[i % 20] + "?Q?=C1=E9x?= ";
    return s + "\r\nFrom: a@example.net\r\n\r\nbody\r\n";
}

template <class Run>
double best_of_three(Run&& run) {
    double best = -1;
    for (int i = 0; i < 3; ++i) {
        double s = run();
        if (s >= 0 && (best < 0 || s < best)) best = s;
    }
    return best;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The floor: `count` new files of 13 bytes each, created and written with plain system calls.
double create_files(const fs::path& folder, int count) {
    auto start = std::chrono::steady_clock::now();
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int i = 0; i < count && dir >= 0; ++i) {
        std::string name = "file (" + std::to_string(i) + ").bin";
        int fd = ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 || ::write(fd, "Hello, world!", 13) != 13) return -1;
        ::close(fd);
    }
    if (dir >= 0) ::close(dir);
    return dir >= 0 ? seconds_since(start) : -1;
}

void fresh(const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directory(folder);
    ::sync();
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 16000;
    std::string pattern = (fs::temp_directory_path() / "mime-stress-XXXXXX").string();
    if (!mkdtemp(pattern.data())) return 1;
    const fs::path root = pattern, folder = root / "out";

    velmo::ComPtr<IPOPMSG> msg = new_popmsg();
    msg->put_RawContent(Bstr(many_attachments(count)).b);
    LONG attachments = 0, saved = 0;
    msg->GetAttachmentCount(&attachments);
    double floor = best_of_three([&] {
        fresh(folder);
        return create_files(folder, count);
    });
    double save = best_of_three([&] {
        fresh(folder);
        auto start = std::chrono::steady_clock::now();
        msg->SaveAllAttachments(Bstr(folder.string()).b, &saved);
        return seconds_since(start);
    });
    std::size_t files = 0;
    for (const auto& e : fs::directory_iterator(folder)) files += e.is_regular_file() ? 1 : 0;
    std::printf("folder under %s\n", root.parent_path().c_str());
    std::printf("SaveAllAttachments, %ld attachments: %.3f s (saved %ld, %zu files in the folder)\n",
                static_cast<long>(attachments), save, static_cast<long>(saved), files);
    std::printf("floor, %d plain file creations: %.3f s\n", count, floor);

    std::string subject_message = many_charsets_subject();
    std::size_t subject_bytes = 0;
    double subject = best_of_three([&] {
        msg->put_RawContent(Bstr(subject_message).b);  // a load makes the cached subject stale
        auto start = std::chrono::steady_clock::now();
        BSTR s = nullptr;
        msg->GetSubject(&s);
        double t = seconds_since(start);
        subject_bytes = velmo::to_utf8(s).size();
        SysFreeString(s);
        return t;
    });
    std::printf("GetSubject, %zu KB header, 20 charsets: %.3f ms (%zu bytes decoded)\n",
                subject_message.size() / 1024, subject * 1000, subject_bytes);
    fs::remove_all(root);
    return 0;
}
