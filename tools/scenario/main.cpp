// vantry-scenario [-v] FILE...: runs scenario files (docs/scenarios.md) against the program on
// the headless back end. Prints "FILE:LINE: expected ... seen ..." for every failing step and,
// last, "N passed, M failed" counting files; exits 0 only when every file passed.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "session.h"

int main(int argc, char** argv) {
    bool verbose = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-v") == 0) {
            verbose = true;
        } else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::cout << "usage: vantry-scenario [-v] FILE...\n"
                         "  -v  report every step and the program's log\n";
            return 0;
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty()) {
        std::cerr << "usage: vantry-scenario [-v] FILE...\n";
        return 2;
    }
    int passed = 0, failed = 0;
    for (const std::string& file : files) {
        std::error_code ec;
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        if (!std::filesystem::is_regular_file(file, ec) || !in) {
            std::cout << file << ":0: expected a readable scenario file seen "
                      << (ec ? ec.message() : std::string(std::strerror(errno))) << "\n";
            ++failed;
            continue;
        }
        text << in.rdbuf();  // an empty file leaves the text empty: a scenario of no steps
        bool ok = false;
        try {
            scenario::Session session(file, std::cout, verbose);
            ok = session.run(text.str());
        } catch (const std::exception& e) {
            std::cout << file << ":0: expected the scenario to run seen " << e.what() << "\n";
        }
        ++(ok ? passed : failed);
    }
    std::cout << passed << " passed, " << failed << " failed" << std::endl;
    return failed == 0 ? 0 : 1;
}
