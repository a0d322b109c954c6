// Sample mail for the tests that compare the parser with Python's email package: the message
// files that Debian's libpython3.11-testsuite and spamassassin packages install, helpers to
// give them CR LF line ends as POP3 delivers them, and the runner of a Python script whose
// tab-separated answer lines the tests read (hex-encoded fields, "-" for not compared).
#pragma once

#include <gtest/gtest.h>
#include <stdio.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace sample_mail {

namespace fs = std::filesystem;

inline constexpr const char* kPythonData = "/usr/lib/python3.11/test/test_email/data";   // libpython3.11-testsuite
inline constexpr const char* kSpamAssassinData = "/usr/share/doc/spamassassin/examples";  // spamassassin

// Every sample message file, sorted.
inline std::vector<fs::path> files() {
    std::vector<fs::path> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(kPythonData, ec)) {
        std::string name = entry.path().filename().string();
        if (name.rfind("msg_", 0) == 0 && entry.path().extension() == ".txt") found.push_back(entry.path());
    }
    for (const char* name : {"sample-spam.txt", "sample-nonspam.txt"}) {
        fs::path p = fs::path(kSpamAssassinData) / name;
        if (fs::exists(p)) found.push_back(p);
    }
    std::sort(found.begin(), found.end());
    return found;
}

inline std::string read_all(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Each bare LF becomes CR LF.
inline std::string with_crlf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out.push_back('\r');
        out.push_back(text[i]);
    }
    return out;
}

inline std::string unhex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

inline std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out(1);
    for (char c : s) {
        if (c == sep)
            out.emplace_back();
        else
            out.back().push_back(c);
    }
    return out;
}

// Runs `python3 script file...` and returns its output lines, each cut at its tabs.
inline std::vector<std::vector<std::string>> python_rows(const std::string& script, const std::vector<fs::path>& args) {
    std::string command = "python3 '" + script + "'";
    for (const fs::path& f : args) command += " '" + f.string() + "'";
    std::vector<std::vector<std::string>> rows;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return rows;
    std::string output;
    char buf[4096];
    while (std::size_t n = fread(buf, 1, sizeof buf, pipe)) output.append(buf, n);
    EXPECT_EQ(pclose(pipe), 0) << "python3 failed";
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos) end = output.size();
        rows.push_back(split(output.substr(start, end - start), '\t'));
        start = end + 1;
    }
    return rows;
}

}  // namespace sample_mail
