// Real-world mail that nobody here wrote (Python's e-mail test data and SpamAssassin's sample
// mail, from their Debian packages), with CR LF line ends as POP3 delivers it: every message
// is cut into parts and asked every body and attachment question without a fault, all of its
// attachments are saved into a temporary folder and read back, and body format, attachment
// count, names, types and base64 sizes are checked against Python's email package wherever
// the designed rules and RFC parsing agree (python_parts.py lists the cases left out, and why).
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "loaded_parts.h"
#include "sample_mail.h"
#include "mime/attachment_saving.h"
#include "mime/attachments.h"
#include "mime/message_bodies.h"

namespace {

namespace fs = std::filesystem;

using sample_mail::read_all;
using sample_mail::split;
using sample_mail::unhex;
using sample_mail::with_crlf;

struct Attachment {
    std::string name, type, size;  // "-" = not compared
};
struct Expected {
    std::string format, count;
    std::vector<Attachment> attachments;
};

std::map<std::string, Expected> python_answers(const std::vector<fs::path>& files) {
    std::map<std::string, Expected> answers;
    for (const std::vector<std::string>& cols : sample_mail::python_rows(MIME_PYTHON_PARTS, files)) {
        if (cols.size() != 4) continue;
        Expected e{cols[1], cols[2], {}};
        if (!cols[3].empty() && cols[3] != "-") {
            for (const std::string& entry : split(cols[3], ';')) {
                std::vector<std::string> f = split(entry, ',');
                if (f.size() != 3) continue;
                e.attachments.push_back({f[0] == "-" ? "-" : unhex(f[0]), unhex(f[1]), f[2]});
            }
        }
        answers[cols[0]] = e;
    }
    return answers;
}

std::string lower_trimmed(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) s.pop_back();
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

TEST(SampleMailParts, EveryMessageAgreesWithPythonWhereTheRulesAgree) {
    const std::vector<fs::path> files = sample_mail::files();
    ASSERT_GE(files.size(), 40u) << "install the Debian packages libpython3.11-testsuite and spamassassin";

    std::string pattern = (fs::temp_directory_path() / "sampleparts-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    std::vector<fs::path> copies;
    for (const fs::path& file : files) {
        copies.push_back(dir / file.filename());
        std::ofstream(copies.back(), std::ios::binary) << with_crlf(read_all(file));
    }
    std::map<std::string, Expected> python = python_answers(copies);
    ASSERT_EQ(python.size(), copies.size());

    int formats = 0, counts = 0, names = 0, types = 0, sizes = 0, with_attachments = 0;
    for (const fs::path& copy : copies) {
        SCOPED_TRACE(copy.filename().string());
        LoadedParts msg(read_all(copy));
        const Expected& expected = python[copy.string()];
        const long count = velmo::attachment_count(msg.parts);
        (void)velmo::body_text(msg.parts);
        (void)velmo::alt_body(msg.parts);
        if (expected.format != "-") {
            EXPECT_EQ(std::to_string(velmo::body_format(msg.parts)), expected.format);
            ++formats;
        }
        if (expected.count == "-") continue;
        EXPECT_EQ(std::to_string(count), expected.count);
        ++counts;
        if (count == 0 || static_cast<std::size_t>(count) != expected.attachments.size()) continue;
        ++with_attachments;
        for (long n = 1; n <= count; ++n) {
            const Attachment& a = expected.attachments[static_cast<std::size_t>(n - 1)];
            std::optional<std::vector<unsigned char>> bytes = velmo::attachment_bytes(msg.parts, n);
            ASSERT_TRUE(bytes.has_value());
            if (a.name != "-") {
                EXPECT_EQ(velmo::attachment_name(msg.parts, n), a.name) << "attachment " << n;
                ++names;
            }
            EXPECT_EQ(lower_trimmed(velmo::attachment_content_type(msg.parts, n)), a.type) << "attachment " << n;
            ++types;
            if (a.size != "-") {
                EXPECT_EQ(std::to_string(bytes->size()), a.size) << "attachment " << n;
                ++sizes;
            }
            (void)velmo::attachment_content_id(msg.parts, n);
        }
        // Saved files hold exactly the decoded bytes.
        const fs::path out = dir / ("out-" + copy.filename().string());
        fs::create_directory(out);
        EXPECT_EQ(velmo::save_all_attachments(msg.parts, out.string()), count);
        for (long n = 1; n <= count; ++n) {
            const fs::path file = out / ("as-" + std::to_string(n));
            ASSERT_TRUE(velmo::save_attachment_as(msg.parts, file.string(), n));
            std::vector<unsigned char> bytes = *velmo::attachment_bytes(msg.parts, n);
            EXPECT_EQ(read_all(file), std::string(bytes.begin(), bytes.end())) << "attachment " << n;
        }
    }
    fs::remove_all(dir);
    // The exclusions must leave most of the sample compared.
    EXPECT_GE(formats, 30);
    EXPECT_GE(counts, 35);
    EXPECT_GE(with_attachments, 8);
    EXPECT_GE(names, 12);
    EXPECT_GE(types, 12);
    EXPECT_GE(sizes, 5);
}

}  // namespace
