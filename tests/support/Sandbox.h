#pragma once

#include "support/TestSystem.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>

namespace kolvane::testing {

// Gives each test a temporary directory of its own, removed afterwards; tests write nowhere else.
class SandboxedTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && sandbox_.empty(); ++attempt) {
            const auto candidate =
                std::filesystem::temp_directory_path() / ("kolvane-" + std::to_string(random()));
            if (std::filesystem::create_directory(candidate))
                sandbox_ = candidate;
        }
        ASSERT_FALSE(sandbox_.empty());
    }
    void TearDown() override {
        std::error_code ignored;
        // Tests make files read-only on purpose; give the owner write access back first.
        for (auto& entry : std::filesystem::recursive_directory_iterator(sandbox_, ignored))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(sandbox_, ignored);
    }

    const std::filesystem::path& sandbox() const { return sandbox_; }
    // Paths and their texts are UTF-8 on every system.
    std::string pathOf(const std::string& relative) const {
        return Utf8Of(sandbox_ / PathOf(relative));
    }

    static void writeFile(const std::filesystem::path& path, const std::string& content) {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << content;
    }
    static std::string readFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

private:
    std::filesystem::path sandbox_;
};

} // namespace kolvane::testing
