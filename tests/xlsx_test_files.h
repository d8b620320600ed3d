#pragma once

// Small file helpers for the .xlsx tests: a scratch folder, whole-file reads, and zip
// packages built from or read into lists of (entry name, bytes).

#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "sim/xlsx/xlsx.h"

namespace xlsx_test {

using Entries = std::vector<std::pair<std::string, std::string>>;

inline std::string Fixture(const std::string& name) {
    return std::string(TESSALY_TEST_DATA_DIR) + "/" + name;
}

inline std::string CellText(const sim::SheetSpec& sheet, const std::string& address) {
    const std::string text = sheet.cells.Text(address);
    return text.empty() ? "<none>" : text;
}

// The sheet's defined names as "name=address", sorted.
inline std::vector<std::string> NameList(const sim::SheetSpec& sheet) {
    std::vector<std::string> names;
    for (const auto& name : sheet.names) names.push_back(name.name + "=" + name.address);
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void Spit(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Every entry of a zip file, in archive order, with its uncompressed bytes.
inline Entries ReadEntries(const std::string& path) {
    Entries entries;
    int code = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (zip == nullptr) {
        ADD_FAILURE() << path << " does not open as a zip (" << code << ")";
        return entries;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(zip, 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(zip, static_cast<zip_uint64_t>(i), 0, &stat);
        std::string bytes(static_cast<size_t>(stat.size), '\0');
        zip_file_t* file = zip_fopen_index(zip, static_cast<zip_uint64_t>(i), 0);
        if (file != nullptr) {
            zip_fread(file, bytes.data(), bytes.size());
            zip_fclose(file);
        }
        entries.emplace_back(stat.name, std::move(bytes));
    }
    zip_discard(zip);
    return entries;
}

inline std::string EntryOf(const Entries& entries, const std::string& name) {
    for (const auto& [entryName, bytes] : entries) {
        if (entryName == name) return bytes;
    }
    ADD_FAILURE() << "no entry " << name;
    return {};
}

inline bool HasEntry(const Entries& entries, const std::string& name) {
    for (const auto& entry : entries) {
        if (entry.first == name) return true;
    }
    return false;
}

inline void WriteZip(const std::string& path, const Entries& entries) {
    std::filesystem::remove(path);
    int code = 0;
    zip_t* zip = zip_open(path.c_str(), ZIP_CREATE | ZIP_EXCL, &code);
    ASSERT_NE(zip, nullptr);
    for (const auto& [name, bytes] : entries) {
        zip_source_t* source = zip_source_buffer(zip, bytes.data(), bytes.size(), 0);
        ASSERT_GE(zip_file_add(zip, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0);
    }
    ASSERT_EQ(zip_close(zip), 0);
}

// A fresh folder per test, removed afterwards.
class ScratchFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tessaly-xlsx-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(folder_, ignored);
    }
    std::string Path(const std::string& name) const { return folder_ + "/" + name; }
    std::vector<std::string> FolderListing() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string folder_;
};

// The smallest package that reads as a workbook, with one sheet part holding sheetXml.
inline Entries MinimalPackage(const std::string& sheetXml) {
    return {
        {"[Content_Types].xml",
         R"(<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/></Types>)"},
        {"_rels/.rels",
         R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)"},
        {"xl/workbook.xml",
         R"(<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/></Relationships>)"},
        {"xl/worksheets/sheet1.xml", sheetXml},
    };
}

// package with a shared strings part holding the given <si> items.
inline Entries WithSharedStrings(Entries package, const std::string& items) {
    for (auto& [name, bytes] : package) {
        if (name == "[Content_Types].xml") {
            bytes.insert(
                bytes.find("</Types>"),
                R"(<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>)");
        } else if (name == "xl/_rels/workbook.xml.rels") {
            bytes.insert(
                bytes.find("</Relationships>"),
                R"(<Relationship Id="rId9" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>)");
        }
    }
    package.emplace_back(
        "xl/sharedStrings.xml",
        R"(<?xml version="1.0"?><sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)" +
            items + "</sst>");
    return package;
}

inline std::string Worksheet(const std::string& inner) {
    return R"(<?xml version="1.0"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)" +
           inner + "</worksheet>";
}

}  // namespace xlsx_test
