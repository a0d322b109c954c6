// The "browser" of the sign-in tests: GETs the URL it is given and follows redirects
// (http://127.0.0.1 only), as a user's browser would through a provider's sign-in page.
// Exits 0 when the last page answered 200, 1 otherwise; prints each status line.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Page {
    int status = 0;
    std::string location;
};

Page get(const std::string& url) {
    const std::string prefix = "http://127.0.0.1:";
    if (url.rfind(prefix, 0) != 0) return {};
    const std::size_t slash = url.find('/', prefix.size());
    const int port = std::atoi(url.substr(prefix.size(), slash - prefix.size()).c_str());
    const std::string target = slash == std::string::npos ? "/" : url.substr(slash);
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return {};
    const std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size())) return {};
    std::string answer;
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0 && answer.size() < 65536;)
        answer.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    Page page;
    if (answer.rfind("HTTP/1.", 0) == 0 && answer.size() > 12) page.status = std::atoi(answer.c_str() + 9);
    const std::size_t at = answer.find("\r\nLocation: ");
    if (at != std::string::npos) page.location = answer.substr(at + 12, answer.find("\r\n", at + 12) - at - 12);
    std::printf("%d %s\n", page.status, url.c_str());
    return page;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::string url = argv[1];
    for (int hop = 0; hop < 5; ++hop) {
        const Page page = get(url);
        if (page.status == 200) return 0;
        if (page.status / 100 != 3 || page.location.empty()) return 1;
        url = page.location;
    }
    return 1;
}
