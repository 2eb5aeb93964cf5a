#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/hooks.h"
#include "platform/win32/paths.h"
#include "platform/win32/win32.h"
#include "tests/support/TempPrefix.h"

namespace fs = std::filesystem;
using testing_support::MakeReadOnly;
using testing_support::ReadFile;
using testing_support::TempPrefix;
using testing_support::WriteFile;

namespace {

class FilesTest : public ::testing::Test {
 protected:
  FilesTest() { SetLastError(0); }
  ~FilesTest() override { win32::SetCopyFaultForTesting({}); }

  fs::path C(const fs::path& relative) const { return prefix.DriveC() / relative; }
  // Names of the entries in a folder, hidden ones included.
  static std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempPrefix prefix;
};

TEST_F(FilesTest, CreateDirectoryReportsEachOutcomeByItsCode) {
  fs::create_directories(C("existing"));
  WriteFile(C("file"), "x");
  struct Row {
    const char* name;
    const char* path;
    DWORD error;  // 0: created
  } rows[] = {
      {"new folder", "C:\\new", 0},
      {"existing folder, other case", "C:\\EXISTING", ERROR_ALREADY_EXISTS},
      {"existing file", "C:\\file", ERROR_ALREADY_EXISTS},
      {"drive root", "C:\\", ERROR_ALREADY_EXISTS},
      {"missing parent", "C:\\missing\\child", ERROR_PATH_NOT_FOUND},
      {"empty name", "", ERROR_PATH_NOT_FOUND},
      {"invalid name", "C:\\a|b", ERROR_INVALID_NAME},
      {"missing drive", "Q:\\x", ERROR_PATH_NOT_FOUND},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SetLastError(12345);
    const BOOL created = CreateDirectoryA(row.path, nullptr);
    EXPECT_EQ(created, row.error == 0 ? TRUE : FALSE);
    if (row.error != 0) {
      EXPECT_EQ(GetLastError(), row.error);
    }
  }
  EXPECT_TRUE(fs::is_directory(C("new")));
  EXPECT_FALSE(fs::exists(C("missing")));
}

TEST_F(FilesTest, CopyReplacesTheDestinationKeepingTimeAndMakingItWritable) {
  WriteFile(C("src/data.bin"), "new content");
  MakeReadOnly(C("src/data.bin"));
  fs::last_write_time(C("src/data.bin"), fs::file_time_type::clock::now() - std::chrono::hours(48));
  WriteFile(C("dst/DATA.BIN"), "old content that is longer");

  ASSERT_TRUE(CopyFileA("C:\\src\\data.bin", "c:\\dst\\data.bin", FALSE));
  // The existing entry is replaced under its own name.
  EXPECT_EQ(ReadFile(C("dst/DATA.BIN")), "new content");
  EXPECT_EQ(Entries(C("dst")), std::vector<std::string>{"DATA.BIN"});
  EXPECT_EQ(fs::last_write_time(C("dst/DATA.BIN")), fs::last_write_time(C("src/data.bin")));
  EXPECT_FALSE(win32::IsReadOnly(C("dst/DATA.BIN")));
  EXPECT_NE(win32::LastCopyMethod(), win32::CopyMethod::None);
}

TEST_F(FilesTest, CopiesAndWritesFilesWhoseNameFillsTheHostLimit) {
  // The temporary file beside the destination must not outgrow the host's name limit.
  const std::string longName(250, 'n');
  WriteFile(C("src.txt"), "data");
  ASSERT_TRUE(CopyFileA("C:\\src.txt", ("C:\\" + longName).c_str(), FALSE)) << GetLastError();
  EXPECT_EQ(ReadFile(C(longName)), "data");
  win32::ResolvedPath path;
  ASSERT_EQ(win32::ResolvePath("C:\\" + longName + "x", path), ERROR_SUCCESS);
  EXPECT_EQ(win32::WriteFileAtomically(path, "data"), ERROR_SUCCESS);
}

TEST_F(FilesTest, CopyFailuresLeaveTheDestinationAsItWas) {
  WriteFile(C("src/file.txt"), "source");
  fs::create_directories(C("src/folder"));
  WriteFile(C("dst/readonly.txt"), "kept");
  MakeReadOnly(C("dst/readonly.txt"));
  WriteFile(C("dst/exists.txt"), "kept");
  fs::create_directories(C("dst/folder.txt"));
  ASSERT_EQ(::mkfifo(C("src/fifo").c_str(), 0644), 0);  // nobody writes to it or reads from it
  struct Row {
    const char* name;
    const char* source;
    const char* destination;
    BOOL failIfExists;
    DWORD error;
  } rows[] = {
      {"missing source", "C:\\src\\none.txt", "C:\\dst\\new1.txt", FALSE, ERROR_FILE_NOT_FOUND},
      {"source in a missing folder", "C:\\none\\file.txt", "C:\\dst\\new2.txt", FALSE, ERROR_PATH_NOT_FOUND},
      {"source is a folder", "C:\\src\\folder", "C:\\dst\\new3.txt", FALSE, ERROR_ACCESS_DENIED},
      {"destination is a folder", "C:\\src\\file.txt", "C:\\dst\\folder.txt", FALSE, ERROR_ACCESS_DENIED},
      {"read-only destination, also for root", "C:\\src\\file.txt", "C:\\dst\\readonly.txt", FALSE,
       ERROR_ACCESS_DENIED},
      {"fail-if-exists", "C:\\src\\file.txt", "C:\\dst\\exists.txt", TRUE, ERROR_FILE_EXISTS},
      {"missing destination folder", "C:\\src\\file.txt", "C:\\none\\file.txt", FALSE, ERROR_PATH_NOT_FOUND},
      {"destination on a missing drive", "C:\\src\\file.txt", "Q:\\file.txt", FALSE, ERROR_PATH_NOT_FOUND},
      {"source is a FIFO, which would block", "C:\\src\\fifo", "C:\\dst\\new4.txt", FALSE, ERROR_ACCESS_DENIED},
      {"source is a device that never ends", "Z:\\dev\\zero", "C:\\dst\\new5.txt", FALSE, ERROR_ACCESS_DENIED},
      {"destination is a FIFO", "C:\\src\\file.txt", "C:\\src\\fifo", FALSE, ERROR_ACCESS_DENIED},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(CopyFileA(row.source, row.destination, row.failIfExists));
    EXPECT_EQ(GetLastError(), row.error);
  }
  EXPECT_EQ(ReadFile(C("dst/readonly.txt")), "kept");
  EXPECT_EQ(ReadFile(C("dst/exists.txt")), "kept");
  EXPECT_EQ(Entries(C("dst")), (std::vector<std::string>{"exists.txt", "folder.txt", "readonly.txt"}));
}

TEST_F(FilesTest, ACopyInterruptedMidwayLeavesTheOldFileWholeAndNoPartialFile) {
  WriteFile(C("src/big.bin"), std::string(3 << 20, 'n'));
  WriteFile(C("dst/big.bin"), "the old file");
  win32::SetCopyFaultForTesting({[](std::uint64_t written) { return written == 0; }, ERROR_DISK_FULL});

  EXPECT_FALSE(CopyFileA("C:\\src\\big.bin", "C:\\dst\\big.bin", FALSE));
  EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
  EXPECT_EQ(ReadFile(C("dst/big.bin")), "the old file");
  EXPECT_EQ(Entries(C("dst")), std::vector<std::string>{"big.bin"});
}

TEST_F(FilesTest, FindFirstFileSeesFilesAndFoldersWithWildcardsInAnyCase) {
  WriteFile(C("dir/One.DAT"), "1");
  WriteFile(C("dir/two.dat"), "22");
  WriteFile(C("dir/three.txt"), "333");
  fs::create_directories(C("dir/sub"));

  WIN32_FIND_DATAA data{};
  HANDLE find = FindFirstFileA("C:\\DIR\\*.dat", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  std::vector<std::string> found{data.cFileName};
  while (FindNextFileA(find, &data)) found.push_back(data.cFileName);
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_TRUE(FindClose(find));
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"One.DAT", "two.dat"}));

  find = FindFirstFileA("c:\\dir\\SUB", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  FindClose(find);

  find = FindFirstFileA("C:\\dir\\three.txt", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.nFileSizeLow, 3u);
  EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  FindClose(find);

  EXPECT_EQ(FindFirstFileA("C:\\dir\\none.txt", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindFirstFileA("C:\\nodir\\*.txt", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FilesTest, ReadOnlyAttributeIsTheAbsenceOfWriteBits) {
  WriteFile(C("file.txt"), "x");
  EXPECT_EQ(GetFileAttributesA("C:\\file.txt") & FILE_ATTRIBUTE_READONLY, 0u);
  ASSERT_TRUE(SetFileAttributesA("C:\\file.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(win32::IsReadOnly(C("file.txt")));
  EXPECT_NE(GetFileAttributesA("C:\\file.txt") & FILE_ATTRIBUTE_READONLY, 0u);
  ASSERT_TRUE(SetFileAttributesA("C:\\file.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_FALSE(win32::IsReadOnly(C("file.txt")));
  EXPECT_EQ(GetFileAttributesA("C:\\none.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FilesTest, AtomicWriteReplacesWholeOrNotAtAll) {
  win32::ResolvedPath path;
  ASSERT_EQ(win32::ResolvePath("C:\\out.bin", path), ERROR_SUCCESS);
  EXPECT_EQ(win32::WriteFileAtomically(path, "first"), ERROR_SUCCESS);
  EXPECT_EQ(win32::WriteFileAtomically(path, "second"), ERROR_SUCCESS);
  EXPECT_EQ(ReadFile(C("out.bin")), "second");

  MakeReadOnly(C("out.bin"));
  EXPECT_EQ(win32::WriteFileAtomically(path, "third"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(ReadFile(C("out.bin")), "second");

  ASSERT_EQ(win32::ResolvePath("C:\\none\\out.bin", path), ERROR_SUCCESS);
  EXPECT_EQ(win32::WriteFileAtomically(path, "x"), ERROR_PATH_NOT_FOUND);
}

TEST_F(FilesTest, WindowsDirectoryComesFromTheSystemHiveOrDefaults) {
  char buffer[160];
  EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 10u);
  EXPECT_STREQ(buffer, "C:\\windows");

  prefix.SetWindowsDirectory("D:\\WINNT");
  EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 8u);
  EXPECT_STREQ(buffer, "D:\\WINNT");

  // Too small a buffer: nothing written, the size needed returned.
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(GetWindowsDirectoryA(buffer, 8), 9u);
  EXPECT_EQ(buffer[0], 'x');
}

TEST_F(FilesTest, ModuleFileNameIsTheProgramOnItsMappedDrive) {
  const fs::path program = fs::read_symlink("/proc/self/exe");
  prefix.MapDrive('a', program.parent_path());
  char buffer[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, length), "A:\\" + program.filename().string());

  char small[4];
  EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 4u);
  EXPECT_STREQ(small, "A:\\");
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST(CodePageCallsTest, MultiByteToWideCharCountsConvertsAndRefusesSmallBuffers) {
  const char* text = "C:\\Caf\xE9\x80";
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), 9);  // with its terminator
  WCHAR wide[9];
  ASSERT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 9), 9);
  EXPECT_EQ(std::u16string(wide), u"C:\\Caf\u00E9\u20AC");
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 8), 0);
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST(ErrorsTest, HostErrorsMapToWin32Codes) {
  struct Row {
    int error;
    bool parentExists;
    DWORD code;
  } rows[] = {
      {ENOENT, true, ERROR_FILE_NOT_FOUND}, {ENOENT, false, ERROR_PATH_NOT_FOUND},
      {EACCES, true, ERROR_ACCESS_DENIED},  {EPERM, true, ERROR_ACCESS_DENIED},
      {EROFS, true, ERROR_ACCESS_DENIED},   {EEXIST, true, ERROR_ALREADY_EXISTS},
      {ENOSPC, true, ERROR_DISK_FULL},      {EMFILE, true, ERROR_TOO_MANY_OPEN_FILES},
      {ENAMETOOLONG, true, ERROR_FILENAME_EXCED_RANGE}, {EINVAL, true, ERROR_INVALID_PARAMETER},
      {EIO, true, ERROR_IO_DEVICE},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.error);
    EXPECT_EQ(win32::ErrorFromErrno(row.error, row.parentExists), row.code);
  }
}

TEST(ErrorsTest, FormatMessageGivesTheSystemsReason) {
  char buffer[256];
  ASSERT_GT(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           ERROR_PATH_NOT_FOUND, 0, buffer, sizeof buffer, nullptr),
            0u);
  EXPECT_STREQ(buffer, "The system cannot find the path specified.\r\n");
}

}  // namespace
