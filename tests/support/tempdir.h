#pragma once

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace cvcfg::test {

// A folder of the running test's own, removed with everything in it.
class TempDir {
public:
    TempDir()
        : m_root(std::filesystem::path(::testing::TempDir()) /
                 ("cvcfg-" + std::to_string(::getpid()) + "-" + testName())) {
        std::filesystem::remove_all(m_root);
        std::filesystem::create_directories(m_root);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_root, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] std::string path(const std::string& name) const {
        return (m_root / name).string();
    }

private:
    static std::string testName() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info ? info->name() : "outside";
        for (char& c : name) {
            if (c == '/') {
                c = '_';
            }
        }
        return name;
    }

    std::filesystem::path m_root;
};

} // namespace cvcfg::test
