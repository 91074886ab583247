#pragma once
// A bare TCP server on a free loopback port whose answer a test writes byte by byte: for what the
// demo gallery never sends (a body without end, a trickle, a redirect elsewhere), and to see
// whether anything connected at all.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace vantry::test {

class RawServer {
public:
    // Runs for each connection, one at a time; the connection closes when it returns. running()
    // turns false when the server stops.
    using Answer = std::function<void(RawServer& s, int fd)>;

    explicit RawServer(Answer answer) : answer_(std::move(answer)) {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(listener_, 8) != 0 || ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &n) != 0)
            return;
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~RawServer() {
        running_ = false;
        if (thread_.joinable()) thread_.join();
        ::close(listener_);
    }
    int port() const { return port_; }
    std::string url(const std::string& scheme, const std::string& path) const {
        return scheme + "://127.0.0.1:" + std::to_string(port_) + path;
    }
    int connections() const { return connections_; }
    bool running() const { return running_; }

    // Reads the request head (up to the blank line); false when the peer sent none in time.
    static bool readHead(int fd) {
        std::string head;
        char c;
        while (head.find("\r\n\r\n") == std::string::npos) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0 || ::read(fd, &c, 1) != 1) return false;
            head += c;
        }
        return true;
    }
    static bool send(int fd, const std::string& bytes) {
        return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
    }

private:
    void serve() {
        while (running_) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            ++connections_;
            answer_(*this, fd);
            ::close(fd);
        }
    }

    Answer answer_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<int> connections_{0};
    std::atomic<bool> running_{true};
    std::thread thread_;
};

}  // namespace vantry::test
