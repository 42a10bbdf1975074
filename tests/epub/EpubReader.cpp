#include "EpubReader.h"

#include <gtest/gtest.h>
#include <zip.h>

namespace testsupport {

std::vector<ZipEntry> ZipEntries(const std::string& path)
{
    std::vector<ZipEntry> entries;
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    EXPECT_NE(archive, nullptr) << path << ": libzip error " << error;
    if (!archive) {
        return entries;
    }
    const auto count = zip_get_num_entries(archive, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t status;
        zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &status);
        ZipEntry entry;
        entry.name = status.name;
        entry.stored = status.comp_method == ZIP_CM_STORE;
        entry.hasExtraField =
            zip_file_extra_fields_count(archive, static_cast<zip_uint64_t>(i), ZIP_FL_LOCAL) > 0 ||
            zip_file_extra_fields_count(archive, static_cast<zip_uint64_t>(i), ZIP_FL_CENTRAL) > 0;
        entry.bytes.resize(status.size);
        zip_file_t* file = zip_fopen_index(archive, static_cast<zip_uint64_t>(i), 0);
        EXPECT_EQ(zip_fread(file, entry.bytes.data(), status.size), static_cast<zip_int64_t>(status.size))
            << entry.name;
        zip_fclose(file);
        entries.push_back(std::move(entry));
    }
    zip_discard(archive);
    return entries;
}

std::map<std::string, std::string> EpubFiles(const std::string& path)
{
    std::map<std::string, std::string> files;
    for (auto& entry : ZipEntries(path)) {
        files[entry.name] = std::move(entry.bytes);
    }
    return files;
}

} // namespace testsupport
