#pragma once

// Test folders and row names for the GoogleTest programs; the text helpers are in text_support.h.
#include <cctype>
#include <filesystem>

#include <unistd.h>

#include <gtest/gtest.h>

#include "text_support.h"

namespace testing_support {

// A row's name for the test report: letters and digits kept, every other run of characters one
// underscore ("a count of exactly 1" gives "a_count_of_exactly_1").
inline std::string rowName(const std::string& text) {
    std::string name;
    for (char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += c;
        else if (!name.empty() && name.back() != '_')
            name += '_';
    }
    while (!name.empty() && name.back() == '_')
        name.pop_back();
    return name.empty() ? std::string("empty") : name;
}

// Names rows after a member that holds their description.
struct RowNamedByName {
    template <class Row>
    std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
        return rowName(info.param.name);
    }
};

// A fresh folder per test, named after it, removed afterwards.
class TempDir {
public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = info ? std::string(info->test_suite_name()) + "_" + info->name() : "test";
        path_ = std::filesystem::temp_directory_path() / ("tervix_" + rowName(name) + "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string path(const std::string& name) const { return (path_ / name).string(); }
    std::string write(const std::string& name, const std::string& content) const {
        std::ofstream(path(name), std::ios::binary) << content;
        return path(name);
    }
    const std::filesystem::path& root() const { return path_; }

private:
    std::filesystem::path path_;
};

// Runs the test in another working directory and returns to the old one afterwards.
class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(const std::filesystem::path& path) : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~ScopedWorkingDirectory() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

// Copies shipped data files into a folder.
inline void copyShipped(const TempDir& dir, std::initializer_list<const char*> names) {
    for (const char* name : names)
        std::filesystem::copy_file(shippedFile(name), dir.path(name),
                                   std::filesystem::copy_options::overwrite_existing);
}

} // namespace testing_support
