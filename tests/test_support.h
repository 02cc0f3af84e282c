#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "text_support.h"

namespace testing_support {

inline std::string testDataFile(const std::string& name) {
    return std::string(TERVIX_TEST_DATA_DIR) + "/" + name;
}

// A fresh folder per test, removed afterwards.
class TempDir {
public:
    TempDir() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info ? info->test_suite_name() : "suite") + "_" + (info ? info->name() : "test");
        for (char& c : name)
            if (c == '/')
                c = '_';
        path_ = std::filesystem::temp_directory_path() / ("tervix_" + name + "_" + std::to_string(::getpid()));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string path(const std::string& name) const { return (path_ / name).string(); }
    std::string write(const std::string& name, const std::string& content) const {
        std::ofstream out(path(name), std::ios::binary);
        out << content;
        return path(name);
    }
    const std::filesystem::path& root() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace testing_support

namespace testing_support {

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

namespace testing_support {

// A parameterised row's name for the test report: letters and digits kept, every other run of
// characters one underscore ("a count of exactly 1" gives "a_count_of_exactly_1").
inline std::string rowName(const std::string& text) {
    std::string name;
    for (char c : text) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (keep)
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

} // namespace testing_support

namespace testing_support {

// A number as a row name: 0.5 gives "0_5", -3 gives "minus_3".
inline std::string numberName(double value) {
    std::ostringstream text;
    text << (value < 0 ? -value : value);
    return (value < 0 ? "minus_" : "") + rowName(text.str());
}

} // namespace testing_support
