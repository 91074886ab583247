#pragma once
// A program folder with real started programs: shell scripts written into it under any name.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "harness.h"
#include "platform/posix/posix_services.h"

struct ProgramScripts : ::testing::Test {
    vantry::test::TempDir pf;
    vb::FileSystem fs;
    vb::CollectingLogger log;
    vb::PosixPrograms programs{fs, log};
    void script(const std::string& name, const std::string& body, mode_t mode = 0755) {
        vantry::test::writeFile(pf / name, "#!/bin/sh\n" + body + "\n");
        ::chmod((pf / name).c_str(), mode);
    }
};
