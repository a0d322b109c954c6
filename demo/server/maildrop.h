// The demo server's maildrop: a folder of message files, one message per file, served in
// the order of their file names. Deletions are marks until commit() removes the files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace halvex::demo {

struct DropMessage {
  std::string file_name;  // name inside the folder
  std::string uid;        // unique id for UIDL: printable ASCII, at most 70 characters
  std::string content;    // the message with CR LF line ends, as served
  bool deleted = false;
};

class Maildrop {
 public:
  // Reads every ordinary, non-hidden file of `folder` in file-name order. Bare LF and bare
  // CR line ends become CR LF, so the sizes told are the octets sent. False (with a reason)
  // when the folder or one of its files cannot be read.
  bool load(const std::filesystem::path& folder, std::string* error);

  // Number of messages, deleted ones included; message numbers run 1..size().
  int size() const { return static_cast<int>(messages_.size()); }
  // True for a message number in range whose message is not marked deleted.
  bool live(int number) const;
  const DropMessage& message(int number) const { return messages_[number - 1]; }
  void mark_deleted(int number) { messages_[number - 1].deleted = true; }
  void unmark_all();

  int live_count() const;
  std::int64_t live_octets() const;

  // Removes the files of the messages marked deleted. False (with the names that could
  // not be removed) when one remains; the others are removed all the same.
  bool commit(std::string* error);

 private:
  std::filesystem::path folder_;
  std::vector<DropMessage> messages_;
};

// `text` with every line end (CR LF, bare LF, bare CR) written as CR LF.
std::string crlf_lines(std::string_view text);

}  // namespace halvex::demo
