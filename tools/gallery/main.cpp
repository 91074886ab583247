// vantry-gallery: the demo gallery. One HTTP server on loopback answering for the gallery, site,
// secure and phone hosts by the Host header, with generated pages and pictures (site.cpp), a
// request log, and switches that make it misbehave for fault tests.
//
//   vantry-gallery [--port N] [--log FILE] [--quiet] [--slow MS] [--status CODE]
//                  [--wrong-length] [--cut] [--oversize BYTES] [--only PREFIX]
//
// --port 0 picks a free port. The line "listening on http://127.0.0.1:PORT" goes to standard
// output once the server accepts connections (tests wait for it). The faults apply to every
// path, or with --only to the paths that begin with PREFIX.
#include <httplib.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "site.h"

namespace {

struct Options {
    int port = 8642;
    std::string log;
    bool quiet = false;
    int slowMs = 0;
    int status = 0;
    bool wrongLength = false;
    bool cut = false;
    long long oversize = 0;
    std::string only;
};

int usage(const char* why) {
    std::fprintf(stderr,
                 "vantry-gallery: %s\nusage: vantry-gallery [--port N] [--log FILE] [--quiet] [--slow MS] "
                 "[--status CODE] [--wrong-length] [--cut] [--oversize BYTES] [--only PREFIX]\n",
                 why);
    return 2;
}

bool number(const char* text, long long lo, long long hi, long long& out) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (errno || !end || *end || end == text || v < lo || v > hi) return false;
    out = v;
    return true;
}

std::atomic<bool> gStop{false};

// Only the flag here: stopping the server is not safe inside a signal handler.
void onSignal(int) {
    gStop = true;
}

// Bytes sent by the content provider of the request this thread is answering.
thread_local long long tSent = 0;

// Separate ranges answered as parts of their own; past this many the answer is the whole body,
// as HTTP lets a server ignore a Range header.
constexpr std::size_t kMostRanges = 8;

// Fits the byte ranges of a request to a body of `size` bytes as HTTP asks: a suffix range
// counts from the end, an open range or one reaching past the end stops at the last byte, and
// a range that begins past the end is dropped. Ranges that overlap or touch become one, in the
// order of the body, so that no byte is offered twice. False when none is left: the answer is
// then 416.
bool fitRanges(httplib::Ranges& ranges, std::size_t size) {
    const auto n = static_cast<ssize_t>(size);
    httplib::Ranges fitted;
    for (auto [first, last] : ranges) {
        if (first < 0 && last < 0) continue;
        if (first < 0) {  // the last `last` bytes
            first = std::max<ssize_t>(0, n - last);
            last = n - 1;
        } else if (last < 0 || last >= n) {
            last = n - 1;
        }
        if (first < n && first <= last) fitted.emplace_back(first, last);
    }
    std::sort(fitted.begin(), fitted.end());
    ranges.clear();
    for (const auto& r : fitted) {
        if (!ranges.empty() && r.first <= ranges.back().second + 1)
            ranges.back().second = std::max(ranges.back().second, r.second);
        else
            ranges.push_back(r);
    }
    return !ranges.empty();
}

// Request text for the log: every byte that is not printable ASCII, a space and a backslash
// among them, as \xHH, so that what a client sends can neither drive the terminal nor forge fields.
std::string printable(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u > 0x20 && u < 0x7F && c != '\\') {
            out += c;
        } else {
            out += "\\x";
            out += hex[u >> 4];
            out += hex[u & 15];
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char* what) -> const char* {
            if (i + 1 >= argc) return nullptr;
            (void)what;
            return argv[++i];
        };
        long long n = 0;
        if (a == "--port") {
            const char* v = value("port");
            if (!v || !number(v, 0, 65535, n)) return usage("--port needs a number from 0 to 65535");
            o.port = int(n);
        } else if (a == "--log") {
            const char* v = value("log");
            if (!v) return usage("--log needs a file");
            o.log = v;
        } else if (a == "--quiet") {
            o.quiet = true;
        } else if (a == "--slow") {
            const char* v = value("slow");
            if (!v || !number(v, 0, 600000, n)) return usage("--slow needs milliseconds");
            o.slowMs = int(n);
        } else if (a == "--status") {
            const char* v = value("status");
            if (!v || !number(v, 100, 599, n)) return usage("--status needs an HTTP status");
            o.status = int(n);
        } else if (a == "--wrong-length") {
            o.wrongLength = true;
        } else if (a == "--cut") {
            o.cut = true;
        } else if (a == "--oversize") {
            const char* v = value("oversize");
            if (!v || !number(v, 1, 1LL << 32, n)) return usage("--oversize needs a size in bytes");
            o.oversize = n;
        } else if (a == "--only") {
            const char* v = value("only");
            if (!v) return usage("--only needs a path prefix");
            o.only = v;
        } else {
            return usage(("unknown argument " + a).c_str());
        }
    }

    std::ofstream logFile;
    if (!o.log.empty()) {
        logFile.open(o.log, std::ios::app);
        if (!logFile) return usage(("cannot write the log " + o.log).c_str());
    }
    std::mutex logMutex;

    gallery::Site site;
    httplib::Server server;
    // A client that sends its request head slowly holds a worker until the head is complete:
    // a second between reads at most, and workers enough that a few dozen such clients still
    // leave some for the program's own requests. (The library times each read, not the head.)
    server.set_read_timeout(1, 0);
    server.new_task_queue = [] { return new httplib::ThreadPool(64); };

    auto faulty = [&](const std::string& path) { return o.only.empty() || path.rfind(o.only, 0) == 0; };

    server.Get(".*", [&](const httplib::Request& req, httplib::Response& res) {
        tSent = 0;
        // The server library sends the ranges of the request as they came, also past the end of
        // the body; they are fitted below first. The request is the library's own object, only
        // handed to the handler as const.
        httplib::Ranges& ranges = const_cast<httplib::Request&>(req).ranges;
        const std::string path = req.path;
        const auto q = req.target.find('?');
        const std::string query = q == std::string::npos ? "" : req.target.substr(q + 1);
        const bool fault = faulty(path);
        if (fault && o.slowMs > 0) {
            // In slices, so stopping the server does not wait for a slow answer.
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(o.slowMs);
            while (!gStop && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (fault && o.status) {
            ranges.clear();
            res.status = o.status;
            res.set_content("<html><body><h1>Error " + std::to_string(o.status) + "</h1></body></html>",
                            "text/html");
            return;
        }
        gallery::Answer a = site.answer(gallery::hostKind(req.get_header_value("Host")), path, query);
        res.status = a.status;
        if (fault && o.oversize > 0 && a.isText) {
            std::string big(std::size_t(o.oversize), '0');
            a.body = std::make_shared<const std::string>(std::move(big));
        }
        auto body = a.body;
        const std::size_t size = body->size();
        const bool lengthFault = fault && (o.cut || o.wrongLength) && a.isPicture;
        // A length fault announces the whole length (or more), sends part of it, then drops the
        // connection.
        const std::size_t announced = lengthFault && o.wrongLength ? size + size / 2 : size;
        if (res.status != 200) {
            ranges.clear();  // a range selects from a document, never from an error page
        } else if (!ranges.empty()) {
            if (!fitRanges(ranges, announced)) {
                res.status = 416;
                res.set_header("Content-Range", "bytes */" + std::to_string(announced));
                return;
            }
            if (ranges.size() > kMostRanges)
                ranges.clear();
            else
                res.status = 206;
        }
        if (lengthFault) {
            const std::size_t sent = o.cut ? size / 2 : size;
            res.set_content_provider(
                announced, a.type,
                [body, sent](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                    if (offset >= sent) return false;
                    const std::size_t n = std::min(length, sent - offset);
                    sink.write(body->data() + offset, n);
                    tSent += (long long)n;
                    return true;
                });
            return;
        }
        if (ranges.size() > 1) {
            // The library names the whole length in each part's Content-Range only for a body
            // it holds itself.
            res.set_content(*body, a.type);
            return;
        }
        res.set_content_provider(size, a.type,
                                 [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                     if (offset >= body->size()) return false;
                                     const std::size_t n = std::min(length, body->size() - offset);
                                     sink.write(body->data() + offset, n);
                                     tSent += (long long)n;
                                     return true;
                                 });
    });

    server.set_logger([&](const httplib::Request& req, const httplib::Response& res) {
        const std::string line = printable(req.method) + " " + printable(req.get_header_value("Host")) + " " +
                                 printable(req.target) + " " + std::to_string(res.status) + " " +
                                 std::to_string(res.body.size() + std::size_t(tSent));
        std::lock_guard<std::mutex> lock(logMutex);
        if (logFile.is_open()) logFile << line << std::endl;
        if (!o.quiet) std::cout << line << std::endl;
    });

    signal(SIGINT, onSignal);
    signal(SIGTERM, onSignal);
    signal(SIGPIPE, SIG_IGN);

    int port = o.port;
    if (port == 0) {
        port = server.bind_to_any_port("127.0.0.1");
    } else if (!server.bind_to_port("127.0.0.1", port)) {
        port = -1;
    }
    if (port <= 0) {
        std::fprintf(stderr, "vantry-gallery: cannot listen on 127.0.0.1:%d: %s\n", o.port,
                     std::strerror(errno));
        return 1;
    }
    std::cout << "listening on http://127.0.0.1:" << port << std::endl;
    std::thread stopper([&] {
        while (!gStop) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        server.stop();
    });
    server.listen_after_bind();
    gStop = true;
    stopper.join();
    return 0;
}
