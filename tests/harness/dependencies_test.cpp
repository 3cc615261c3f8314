// zlib and minizip, built for Windows from Debian's packages, work under Wine: a file
// survives a trip through a deflated archive, encryption is marked, and zlib's CRC-32
// gives its catalogue check value.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include <unzip.h>
#include <zip.h>
#include <zlib.h>

namespace {

std::string TempPath(const char* name)
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + name;
}

TEST(Dependencies, ZlibCrc32GivesTheCatalogueCheckValue)
{
    const char text[] = "123456789";
    EXPECT_EQ(crc32(0, reinterpret_cast<const Bytef*>(text), 9), 0xCBF43926u);
}

// Adds one deflated (level 9) entry, encrypted when a password is given.
void AddEntry(zipFile zip, const char* name, const std::string& content, const char* password)
{
    zip_fileinfo info{};
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size()));
    ASSERT_EQ(zipOpenNewFileInZip3(zip, name, &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 9, 0, -MAX_WBITS,
                                   DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, password, crc),
              ZIP_OK);
    ASSERT_EQ(zipWriteInFileInZip(zip, content.data(), static_cast<unsigned>(content.size())), ZIP_OK);
    ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
}

// minizip writes traditional PKWARE encryption but, as shipped, never decrypts; so the
// encrypted entry is checked for its flag and the plain one for its content.
TEST(Dependencies, MinizipWritesDeflatedEntriesAndReadsThemBack)
{
    const std::string path = TempPath("zv-minizip-check.zip");
    std::string content;
    for (int i = 0; i < 5000; ++i) content += "line " + std::to_string(i) + "\r\n";

    zipFile zip = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    AddEntry(zip, "plain.txt", content, nullptr);
    AddEntry(zip, "secret.txt", content, "password");
    ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);

    unzFile unzip = unzOpen(path.c_str());
    ASSERT_NE(unzip, nullptr);
    unz_file_info entry{};
    ASSERT_EQ(unzLocateFile(unzip, "secret.txt", 0), UNZ_OK);
    ASSERT_EQ(unzGetCurrentFileInfo(unzip, &entry, nullptr, 0, nullptr, 0, nullptr, 0), UNZ_OK);
    EXPECT_TRUE(entry.flag & 1) << "the entry is not marked encrypted";

    ASSERT_EQ(unzLocateFile(unzip, "plain.txt", 0), UNZ_OK);
    ASSERT_EQ(unzGetCurrentFileInfo(unzip, &entry, nullptr, 0, nullptr, 0, nullptr, 0), UNZ_OK);
    EXPECT_EQ(entry.compression_method, static_cast<uLong>(Z_DEFLATED));
    EXPECT_LT(entry.compressed_size, content.size() / 2);
    EXPECT_FALSE(entry.flag & 1);
    ASSERT_EQ(unzOpenCurrentFile(unzip), UNZ_OK);
    std::string read(content.size() + 16, '\0');
    int got = unzReadCurrentFile(unzip, read.data(), static_cast<unsigned>(read.size()));
    EXPECT_EQ(unzCloseCurrentFile(unzip), UNZ_OK);  // also checks the CRC
    unzClose(unzip);
    DeleteFileA(path.c_str());
    ASSERT_EQ(got, static_cast<int>(content.size()));
    read.resize(static_cast<size_t>(got));
    EXPECT_EQ(read, content);
}

} // namespace
