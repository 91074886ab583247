// Preparing files and folders, and setting the platform's answers.
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "testkit/scenario_support.h"
#include "platform/base/text.h"
#include "session.h"

namespace scenario {

namespace fsys = std::filesystem;

namespace {

std::string dataFolder() {
    if (const char* d = std::getenv("VANTRY_DATA_DIR"); d && *d) return d;
    return VANTRY_SOURCE_DIR "/data";
}

void writeFile(const std::string& path, const std::string& bytes) {
    fsys::create_directories(fsys::path(path).parent_path());
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (!f) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
    f.write(bytes.data(), std::streamsize(bytes.size()));
    if (!f.flush()) throw std::runtime_error("cannot write " + path + ": " + std::strerror(errno));
}

}  // namespace

void Session::prepare(const Step& s) {
    const std::string path = s.op == Op::Data ? dirs_.pf : pathOf(s.path);
    switch (s.op) {
        case Op::Data: {
            const std::string from = dataFolder();
            if (!fsys::is_directory(from)) {
                fail(s, "the shipped data folder " + from, "no such folder (set VANTRY_DATA_DIR)");
                return;
            }
            fsys::copy(from, dirs_.pf,
                       fsys::copy_options::recursive | fsys::copy_options::overwrite_existing);
            break;
        }
        case Op::Folder:
            fsys::create_directories(path);
            break;
        case Op::File: {
            std::string bytes;
            if (s.word == "lines")
                for (const std::string& v : s.values) bytes += v + "\r\n";
            else if (s.word == "text" || s.word == "bytes")
                bytes = s.values.at(0);
            else if (s.word == "size")
                bytes = vb::scenario::fillerBytes(std::size_t(s.numbers.at(0)));
            writeFile(path, bytes);
            break;
        }
        case Op::Picture: {
            const int bits = s.numbers.size() > 2 ? int(s.numbers[2]) : 0;
            const auto bytes = vb::scenario::pictureFile(s.word, int(s.numbers[0]), int(s.numbers[1]), bits);
            writeFile(path, std::string(bytes.begin(), bytes.end()));
            break;
        }
        case Op::Remove: {
            std::error_code ec;
            fsys::remove_all(path, ec);
            if (ec) fail(s, path + " removed", ec.message());
            break;
        }
        case Op::Mtime: {
            std::tm tm{};
            tm.tm_year = int(s.numbers[0]) - 1900;
            tm.tm_mon = int(s.numbers[1]) - 1;
            tm.tm_mday = int(s.numbers[2]);
            tm.tm_hour = int(s.numbers[3]);
            tm.tm_min = int(s.numbers[4]);
            tm.tm_sec = int(s.numbers[5]);
            tm.tm_isdst = -1;  // local time, daylight saving as it applied then
            const std::time_t t = std::mktime(&tm);
            // The modification time only; the access time stays as it is.
            std::error_code ec;
            fsys::last_write_time(
                path, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(t)), ec);
            if (ec) fail(s, "the time of " + path + " set", ec.message());
            break;
        }
        case Op::Readonly: {
            struct stat st;
            if (::stat(path.c_str(), &st) != 0 ||
                ::chmod(path.c_str(), st.st_mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH)) != 0)
                fail(s, path + " made read-only", std::strerror(errno));
            break;
        }
        case Op::Cd: {
            std::error_code ec;
            fsys::current_path(path, ec);
            if (ec) fail(s, "the current directory changed to " + path, ec.message());
            break;
        }
        default:
            break;
    }
}

void Session::answer(const Step& s) {
    switch (s.op) {
        case Op::Online:
            platform_->system.isOnline = s.flag;
            break;
        case Op::Windows:
            platform_->system.versionInfo.major = int(s.numbers[0]);
            platform_->system.versionInfo.minor = int(s.numbers[1]);
            platform_->system.versionInfo.platformId = int(s.numbers[2]);
            break;
        case Op::Screen:
            platform_->system.screenW = int(s.numbers[0]);
            platform_->system.screenH = int(s.numbers[1]);
            break;
        case Op::Instance:
            platform_->system.anotherInstance = s.flag;
            break;
        case Op::Answer:
            platform_->dialogs.answers.push_back(int(s.numbers[0]));
            break;
        case Op::Input:
            if (s.values[0].empty())
                platform_->dialogs.inputs.push_back(std::nullopt);
            else
                platform_->dialogs.inputs.push_back(s.values[0]);
            break;
        case Op::Program:
            if (s.word == "missing")
                platform_->programs.programs.erase(vb::toLowerAscii(s.path));
            else
                platform_->programs.programs[vb::toLowerAscii(s.path)] = {int(s.numbers[0]), int(s.numbers[1])};
            break;
        case Op::FolderDialog:
            platform_->dialogs.folders.push_back(s.values[0]);
            break;
        case Op::Random:
            for (const std::string& v : s.values) platform_->random.draws.push_back(std::strtod(v.c_str(), nullptr));
            break;
        case Op::Http:
        case Op::Transfer:
        case Op::TransferFinish:
        case Op::TransferError:
        case Op::Browser:
            onlineAnswer(s);
            break;
        default:
            break;
    }
}

}  // namespace scenario
