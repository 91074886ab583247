#pragma once
// Run-time failures of the platform layer and the three ways a procedure deals with them.
//
// Every platform operation that fails throws vb::Error. Ending the program is not an error:
// it throws vb::ProgramEnded, which no error helper catches, so "end at once" really ends
// the procedure chain up to the event loop.
#include <stdexcept>
#include <string>
#include <utility>

namespace vb {

class Error : public std::runtime_error {
public:
    explicit Error(int number, std::string what = {})
        : std::runtime_error(what.empty() ? "error " + std::to_string(number) : std::move(what)),
          number_(number) {}
    int number() const { return number_; }

private:
    int number_;
};

// Error numbers as the forms runtime reported them; callers only ever look at a few.
namespace err {
inline constexpr int InvalidCall = 5;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int BadFileName = 52;
inline constexpr int FileNotFound = 53;
inline constexpr int FileAlreadyOpen = 55;
inline constexpr int DiskFull = 61;
inline constexpr int InputPastEnd = 62;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int InvalidPicture = 481;
inline constexpr int InvalidPropertyValue = 380;
inline constexpr int InetFailed = 35761;  // a synchronous fetch that failed or timed out
}  // namespace err

// Thrown to end the program; deliberately not derived from Error.
struct ProgramEnded {
    int code = 0;
};

// "Every step runs even when one failed": runs one statement and swallows its failure.
template <class F>
void resume(F&& statement) {
    try {
        std::forward<F>(statement)();
    } catch (const Error&) {
    }
}

// A handler around the whole procedure: the first failure ends the body and runs the handler.
template <class Body, class Handler>
void guarded(Body&& body, Handler&& onError) {
    try {
        std::forward<Body>(body)();
    } catch (const Error& e) {
        std::forward<Handler>(onError)(e);
    }
}

}  // namespace vb
