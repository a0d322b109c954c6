// Starting helper programs (useradd, openssl) without a shell, and finding them.
#pragma once

#include <string>
#include <vector>

namespace halvex::testnet {

// The full path of program `name` in PATH, /usr/local/sbin, /usr/sbin or /sbin; empty when
// not found. A name holding "/" is taken as a path.
std::string find_program(const std::string& name);

// Runs `argv[0]` (found by find_program) with the arguments, no shell; waits for it and
// returns its exit status (-1 when it could not run or was killed). Its stdout and stderr go
// to `output_file` (appended) when given, else to this process's; stdin comes from
// `input_file` when given, else from /dev/null.
int run_program(const std::vector<std::string>& argv, const std::string& output_file = {},
                const std::string& input_file = {});

}  // namespace halvex::testnet
