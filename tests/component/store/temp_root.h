// A fresh temporary folder per test, used as the store root through VELMO_MAILFOLDERS.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace store_test {

class TempRoot {
public:
    TempRoot() {
        std::string templ = (std::filesystem::temp_directory_path() / "velmo-store-XXXXXX").string();
        char* made = ::mkdtemp(templ.data());
        if (!made) throw std::runtime_error("mkdtemp failed");
        base_ = made;
        root_ = base_ / "MailFolders";  // not created: the store makes it
        ::setenv("VELMO_MAILFOLDERS", root_.c_str(), 1);
    }
    ~TempRoot() {
        ::unsetenv("VELMO_MAILFOLDERS");
        std::error_code ec;
        std::filesystem::remove_all(base_, ec);
    }
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    // The folder around the root, for checking that nothing lands beside it.
    const std::filesystem::path& base() const { return base_; }
    const std::filesystem::path& root() const { return root_; }

private:
    std::filesystem::path base_;
    std::filesystem::path root_;
};

inline std::string read_bytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void write_bytes(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

}  // namespace store_test
