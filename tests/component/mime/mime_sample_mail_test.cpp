// Real-world mail that nobody here wrote: the e-mail test data of Python's test suite and
// SpamAssassin's sample spam and ham, as installed by their Debian packages. Every message is
// loaded (with CR LF line ends, as POP3 delivers it) and asked every header question without
// a fault; subjects, senders and first recipients are checked against Python's email package
// wherever the designed reading and RFC parsing agree (python_headers.py lists the cases left
// out, and why).
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bstr_arg.h"
#include "frame/automation.h"
#include "sample_mail.h"

namespace {

namespace fs = std::filesystem;
using velmo::ComPtr;

using sample_mail::read_all;
using sample_mail::unhex;
using sample_mail::with_crlf;

std::string collapse(const std::string& s) {
    std::istringstream in(s);
    std::string word, out;
    while (in >> word) out += (out.empty() ? "" : " ") + word;
    return out;
}

// What Python says per file: subject, from name, from address, first To address ("-" = not compared).
std::map<std::string, std::vector<std::string>> python_answers(const std::vector<fs::path>& files) {
    std::map<std::string, std::vector<std::string>> answers;
    for (const std::vector<std::string>& cols : sample_mail::python_rows(MIME_PYTHON_HEADERS, files)) {
        if (cols.size() != 5) continue;
        std::vector<std::string> values;
        for (std::size_t i = 1; i < 5; ++i) values.push_back(cols[i] == "-" ? "-" : unhex(cols[i]));
        answers[cols[0]] = values;
    }
    return answers;
}

using mime_test::Bstr;

template <class Call>
std::string text_of(Call&& call) {
    BSTR out = nullptr;
    EXPECT_EQ(call(&out), S_OK);
    std::string s = out ? velmo::utf16_to_utf8(std::u16string_view(out, SysStringLen(out))) : std::string();
    SysFreeString(out);
    return s;
}

struct Answers {
    std::string subject, from, from_address, first_to;
};

// Loads one file through ImportFile and asks every header member; returns the compared ones.
Answers ask_everything(IPOPMSG* msg, const std::string& crlf_file) {
    LONG result = -1;
    EXPECT_EQ(msg->ImportFile(Bstr(crlf_file), &result), S_OK);
    EXPECT_EQ(result, 0) << crlf_file;
    Answers a;
    a.subject = text_of([&](BSTR* o) { return msg->GetSubject(o); });
    a.from = text_of([&](BSTR* o) { return msg->GetFrom(o); });
    a.from_address = text_of([&](BSTR* o) { return msg->GetFromAddress(o); });
    a.first_to = text_of([&](BSTR* o) { return msg->GetRecipientAddr(1, o); });
    text_of([&](BSTR* o) { return msg->GetDate(o); });
    text_of([&](BSTR* o) { return msg->GetReplyTo(o); });
    text_of([&](BSTR* o) { return msg->GetHeader(o); });
    for (const char* item : {"Received", "Message-ID", "Content-Type", "MIME-Version"})
        text_of([&](BSTR* o) { return msg->GetHeaderItem(Bstr(item), o); });
    LONG to = 0, cc = 0;
    EXPECT_EQ(msg->GetRecipientCount(&to), S_OK);
    EXPECT_EQ(msg->GetCCCount(&cc), S_OK);
    for (INT n = 0; n <= to + 1; ++n) {
        text_of([&](BSTR* o) { return msg->GetRecipientName(n, o); });
        text_of([&](BSTR* o) { return msg->GetRecipientAddr(n, o); });
    }
    for (INT n = 0; n <= cc + 1; ++n) {
        text_of([&](BSTR* o) { return msg->GetCCName(n, o); });
        text_of([&](BSTR* o) { return msg->GetCCAddr(n, o); });
    }
    return a;
}

TEST(SampleMail, EveryMessageLoadsAndAgreesWithPythonWhereTheRulesAgree) {
    const std::vector<fs::path> files = sample_mail::files();
    ASSERT_GE(files.size(), 40u) << "install the Debian packages libpython3.11-testsuite and spamassassin";
    std::map<std::string, std::vector<std::string>> python = python_answers(files);
    ASSERT_EQ(python.size(), files.size());

    std::string pattern = (fs::temp_directory_path() / "samplemail-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;

    ComPtr<IPOPMSG> msg;
    ASSERT_EQ(VelmoCreateInstance(u"Velmo.POPMSG", IID_IPOPMSG, msg.put_void()), S_OK);
    int compared[4] = {0, 0, 0, 0};
    for (const fs::path& file : files) {
        SCOPED_TRACE(file);
        const fs::path crlf = dir / file.filename();
        std::ofstream(crlf, std::ios::binary) << with_crlf(read_all(file));
        Answers ours = ask_everything(msg.get(), crlf.string());
        const std::vector<std::string>& expected = python[file.string()];
        const std::string got[4] = {collapse(ours.subject), collapse(ours.from), ours.from_address, ours.first_to};
        for (int i = 0; i < 4; ++i) {
            if (expected[static_cast<std::size_t>(i)] == "-") continue;
            EXPECT_EQ(got[i], expected[static_cast<std::size_t>(i)]) << "field " << i;
            ++compared[i];
        }
    }
    fs::remove_all(dir);
    // The exclusions must leave most of the sample compared.
    EXPECT_GE(compared[0], 45);
    EXPECT_GE(compared[1], 25);
    EXPECT_GE(compared[2], 25);
    EXPECT_GE(compared[3], 40);
}

}  // namespace
