#include "maildrop.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <system_error>

namespace halvex::demo {

namespace fs = std::filesystem;

namespace {

// UIDL ids are 1 to 70 characters from 0x21 to 0x7E.
std::string uid_of(const std::string& name) {
  std::string uid;
  for (unsigned char c : name) uid += (c > 0x20 && c < 0x7F) ? static_cast<char>(c) : '_';
  if (uid.size() > 70) uid.resize(70);
  return uid.empty() ? std::string("_") : uid;
}

}  // namespace

std::string crlf_lines(std::string_view text) {
  std::string r;
  r.reserve(text.size() + text.size() / 32);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      r += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      r += "\r\n";
    } else {
      r += c;
    }
  }
  return r;
}

bool Maildrop::load(const fs::path& folder, std::string* error) {
  std::error_code ec;
  std::vector<fs::path> files;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;
    std::error_code type_ec;
    if (it->is_regular_file(type_ec)) files.push_back(it->path());
  }
  if (ec) {
    if (error) *error = "cannot list " + folder.string() + ": " + ec.message();
    return false;
  }
  std::sort(files.begin(), files.end());
  std::vector<DropMessage> messages;
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) {
      if (error) *error = "cannot read " + file.string();
      return false;
    }
    DropMessage m;
    m.file_name = file.filename().string();
    m.uid = uid_of(m.file_name);
    m.content = crlf_lines(raw);
    messages.push_back(std::move(m));
  }
  folder_ = folder;
  messages_ = std::move(messages);
  return true;
}

bool Maildrop::live(int number) const {
  return number >= 1 && number <= size() && !messages_[number - 1].deleted;
}

void Maildrop::unmark_all() {
  for (auto& m : messages_) m.deleted = false;
}

int Maildrop::live_count() const {
  return static_cast<int>(std::count_if(messages_.begin(), messages_.end(),
                                        [](const DropMessage& m) { return !m.deleted; }));
}

std::int64_t Maildrop::live_octets() const {
  std::int64_t total = 0;
  for (const auto& m : messages_)
    if (!m.deleted) total += static_cast<std::int64_t>(m.content.size());
  return total;
}

bool Maildrop::commit(std::string* error) {
  std::string failed;
  for (const auto& m : messages_) {
    if (!m.deleted) continue;
    std::error_code ec;
    fs::remove(folder_ / m.file_name, ec);
    if (ec) failed += (failed.empty() ? "" : ", ") + m.file_name;
  }
  if (!failed.empty() && error) *error = "cannot remove " + failed;
  return failed.empty();
}

}  // namespace halvex::demo
