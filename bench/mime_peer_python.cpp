// Python's email package, run as python3 over the same list of files.
#include <cstdio>
#include <fstream>

#include "mime_peers.h"

namespace bench {

PeerResult run_python(const std::vector<std::string>& files, const std::string& list_file) {
    {
        std::ofstream list(list_file);
        for (const std::string& f : files) list << f << '\n';
    }
    std::string command = "python3 '" MIME_BENCH_PY "' '" + list_file + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return {};
    PeerResult r;
    double seconds = -1;
    unsigned long long bytes = 0;
    if (std::fscanf(pipe, "%lf %llu", &seconds, &bytes) == 2) {
        r.seconds = seconds;
        r.answer_bytes = bytes;
    }
    if (pclose(pipe) != 0) return {};
    return r;
}

}  // namespace bench
