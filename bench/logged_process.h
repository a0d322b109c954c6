// Runs one program the way the application benchmarks start `halvex --once` and its peers:
// without a shell, standard output and error into one log file, standard input from
// /dev/null, extra environment entries added to this process's own; and tells how it ended,
// how long it took, the CPU time it used and its peak memory.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct LoggedRun {
  bool started = false;
  int exit_code = -1;  // -1 unless it exited normally
  int signal = 0;      // the signal that ended it, if one did
  double seconds = 0;
  double cpu_seconds = 0;  // user + system
  long max_rss_kb = 0;
};

LoggedRun run_logged(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& log);

}  // namespace bench
