#include "server_test_support.h"

#include <gtest/gtest.h>
#include <minizip/zip.h>
#include <zlib.h>

namespace tdu::server::test {

namespace {

void write_entries(const std::filesystem::path& zip, int mode, const zip_entries_t& entries)
{
    zipFile z = zipOpen64(zip.c_str(), mode);
    ASSERT_NE(z, nullptr) << zip;
    for (const auto& [name, bytes] : entries) {
        zip_fileinfo info{};
        info.tmz_date.tm_year = 2013;
        info.tmz_date.tm_mday = 1;
        ASSERT_EQ(zipOpenNewFileInZip64(z, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED,
                                        Z_DEFAULT_COMPRESSION, 0),
                  ZIP_OK);
        ASSERT_EQ(zipWriteInFileInZip(z, bytes.data(), static_cast<unsigned>(bytes.size())), ZIP_OK);
        ASSERT_EQ(zipCloseFileInZip(z), ZIP_OK);
    }
    ASSERT_EQ(zipClose(z, nullptr), ZIP_OK);
}

} // namespace

void write_zip(const std::filesystem::path& zip, const zip_entries_t& entries)
{
    std::filesystem::create_directories(zip.parent_path());
    write_entries(zip, APPEND_STATUS_CREATE, entries);
}

void append_to_zip(const std::filesystem::path& zip, const zip_entries_t& entries)
{
    write_entries(zip, APPEND_STATUS_ADDINZIP, entries);
}

std::string small_inf(const std::string& date, const std::string& version, const std::vector<std::string>& models,
                      const std::string& extra_version)
{
    std::string text = "[Version]\r\nSignature = \"$Windows NT$\"\r\nClass = Net\r\n"
                       "ClassGuid = {4d36e972-e325-11ce-bfc1-08002be10318}\r\nProvider = %Mfg%\r\n"
                       "DriverVer = " + date + "," + version + "\r\n" + extra_version +
                       "\r\n[Manufacturer]\r\n%Mfg% = Models, NTx86, NTamd64\r\n";
    for (const char* section : {"Models.NTx86", "Models.NTamd64"}) {
        text += std::string("\r\n[") + section + "]\r\n";
        for (const auto& ids : models) text += "\"Test device\" = Install, " + ids + "\r\n";
    }
    return text + "\r\n[Install]\r\n\r\n[Strings]\r\nMfg = \"Test Maker\"\r\n";
}

std::string deflate_text(const std::string& text)
{
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::string out(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(text.data()),
                        static_cast<uLong>(text.size()), Z_DEFAULT_COMPRESSION),
              Z_OK);
    out.resize(size);
    return out;
}

index_report_t index_folder(const std::filesystem::path& packages, const std::filesystem::path& catalogue,
                            const std::filesystem::path& zips)
{
    index_options_t options;
    options.packages = packages;
    options.catalogue = catalogue;
    options.zip_folder = zips;
    index_report_t report;
    std::string error;
    EXPECT_TRUE(index_packages(options, report, error)) << error;
    return report;
}

std::filesystem::path demo_packages_dir()
{
    return TDU_DEMO_PACKAGES_DIR;
}

std::filesystem::path demo_request_file()
{
    return TDU_DEMO_REQUEST;
}

} // namespace tdu::server::test
