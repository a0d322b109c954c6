#include "mime_sample.h"

#include <cstdint>

namespace bench {
namespace {

struct Lcg {
    std::uint64_t state;
    unsigned next(unsigned bound) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<unsigned>((state >> 33) % bound);
    }
};

const char* const kWords[] = {"offer", "meeting", "invoice", "update", "notes", "quarterly", "report", "free",
                              "account", "review", "draft", "plan", "shipping", "order", "welcome", "reminder"};

std::string word(Lcg& r) { return kWords[r.next(16)]; }

std::string header(Lcg& r, unsigned n) {
    std::string h = "Return-Path: <bounce" + std::to_string(n) + "@lists.example.net>\r\n";
    unsigned hops = 3 + r.next(4);
    for (unsigned i = 0; i < hops; ++i) {
        h += "Received: from mx" + std::to_string(r.next(90)) + ".example.net (mx.example.net [10.0." +
             std::to_string(r.next(255)) + "." + std::to_string(r.next(255)) + "])\r\n\tby mail" +
             std::to_string(i) + ".example.org with ESMTPS id " + std::to_string(1000000 + r.next(8999999)) +
             ";\r\n\tMon, 4 Mar 2024 10:" + std::to_string(10 + r.next(49)) + ":00 +0000\r\n";
    }
    h += "Message-ID: <" + std::to_string(n) + "." + std::to_string(r.next(100000)) + "@example.net>\r\n";
    h += "Date: Mon, 4 Mar 2024 10:" + std::to_string(10 + r.next(49)) + ":00 +0000\r\n";
    switch (r.next(4)) {
        case 0: h += "From: \"=?utf-8?Q?J=C3=B6rg_M=C3=BCller?=\" <joerg" + std::to_string(n) + "@example.com>\r\n"; break;
        case 1: h += "From: Ann Lee <ann.lee" + std::to_string(n) + "@example.com>\r\n"; break;
        case 2: h += "From: =?iso-8859-1?Q?Ren=E9e?= Dupont <renee@example.fr>\r\n"; break;
        default: h += "From: sender" + std::to_string(n) + "@example.com\r\n"; break;
    }
    h += "To: \"Bob Lee\" <bob@example.org>, amy@example.org,\r\n\tCarl <carl@example.org>\r\n";
    h += "Cc: list@example.org\r\n";
    switch (r.next(3)) {
        case 0: h += "Subject: =?iso-8859-1?Q?Caf=E9_" + word(r) + "?= number " + std::to_string(n) + "\r\n"; break;
        case 1: h += "Subject: =?utf-8?B?w5xiZXIgZGllIFdvY2hl?=\r\n =?utf-8?B?IOKAkyBSZXBvcnQ=?=\r\n"; break;
        default: h += "Subject: Re: " + word(r) + " " + word(r) + " " + std::to_string(n) + "\r\n"; break;
    }
    h += "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=utf-8; format=flowed\r\n"
         "Content-Transfer-Encoding: 8bit\r\nX-Mailer: bench\r\n\r\n";
    return h;
}

void body_to(std::string& msg, Lcg& r, std::size_t bytes) {
    while (msg.size() < bytes) {
        std::string line;
        while (line.size() < 70) line += word(r) + " ";
        msg += line + "\r\n";
    }
}

}  // namespace

std::string typical_message(unsigned n) {
    Lcg r{n * 2654435761ULL + 1};
    std::string msg = header(r, n);
    body_to(msg, r, 2048 + r.next(18 * 1024));
    return msg;
}

std::string large_message(std::size_t bytes) {
    Lcg r{bytes};
    std::string msg = header(r, 0);
    msg.reserve(bytes + 128);
    body_to(msg, r, bytes);
    return msg;
}

}  // namespace bench
