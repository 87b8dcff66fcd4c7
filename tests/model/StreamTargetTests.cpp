// Writes and reads whose target is not a regular file: pipes, device nodes, sockets and folders
// (VellSim's outputs into pipes, devices and descriptors are tried in
// tests/tools/stream-targets.sh). Nodes are made only in a scratch folder, never in /dev.
#include "model/SafeFile.h"
#include "tests/support/TestMaps.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace vell::test {
namespace {

// Whether the program under test writes streams; put back as it was afterwards.
class TStreams {
  public:
    explicit TStreams(bool allow) : Was(StreamTargetsAllowed()) { AllowStreamTargets(allow); }
    ~TStreams() { AllowStreamTargets(Was); }
    TStreams(const TStreams&) = delete;
    TStreams& operator=(const TStreams&) = delete;

  private:
    bool Was;
};

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = std::uint8_t((i * 7 + i / 251) & 0xFF);
    return bytes;
}

mode_t TypeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & S_IFMT : 0;
}

// The folder's names besides the nodes the test made: a temporary file left behind shows here.
std::vector<std::string> Others(const TTempDir& dir, std::initializer_list<const char*> made) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Root())) {
        const std::string name = entry.path().filename().string();
        if (std::find(made.begin(), made.end(), name) == made.end()) names.push_back(name);
    }
    return names;
}

// Makes a device node in the scratch folder; else says what the machine does not allow.
bool MakeNode(const std::string& path, mode_t type, unsigned major, unsigned minor,
              std::string& why) {
    if (::mknod(path.c_str(), type | 0600, makedev(major, minor)) == 0) return true;
    why = std::string("this machine allows no device node in a scratch folder (mknod: ") +
          std::strerror(errno) + ")";
    return false;
}

TEST(StreamTarget, APipeWithoutAReaderIsRefusedAtOnce) {
    TStreams streams(true);
    TTempDir dir;
    const std::string fifo = dir.Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    EXPECT_EQ(WriteFileAtomically(fifo, Pattern(10)), TFileFault::NoReader);
    TReplacingFile file;
    EXPECT_EQ(file.Open(fifo), TFileFault::NoReader);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(TypeOf(fifo), mode_t(S_IFIFO));
    EXPECT_TRUE(Others(dir, {"fifo"}).empty());
    EXPECT_EQ(FaultReason(TFileFault::NoReader), "Канал никто не читает.");
}

// A block device (a disk), a socket and a folder are never written, whichever program writes.
TEST(StreamTarget, BlockNodesSocketsAndFoldersAreRefused) {
    TTempDir dir;
    const std::string disk = dir.Path("loop"), socket = dir.Path("socket"), folder = dir.Path("d");
    if (std::string why; !MakeNode(disk, S_IFBLK, 7, 0, why)) GTEST_SKIP() << why;
    const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(s, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    std::filesystem::create_directory(folder);
    for (const bool allow : {true, false}) {
        TStreams streams(allow);
        for (const std::string& target : {disk, socket}) {
            EXPECT_EQ(WriteFileAtomically(target, Pattern(10)), TFileFault::NotRegular) << target;
            TReplacingFile file;
            EXPECT_EQ(file.Open(target), TFileFault::NotRegular) << target;
        }
        EXPECT_EQ(WriteFileAtomically(folder, Pattern(10)), TFileFault::IsFolder);
        // Through a symbolic link, what it leads to decides.
        std::filesystem::create_symlink(disk, dir.Path("link"));
        EXPECT_EQ(WriteFileAtomically(dir.Path("link"), Pattern(10)), TFileFault::NotRegular);
        std::filesystem::remove(dir.Path("link"));
    }
    ::close(s);
    EXPECT_EQ(TypeOf(disk), mode_t(S_IFBLK));
    EXPECT_EQ(TypeOf(socket), mode_t(S_IFSOCK));
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_TRUE(Others(dir, {"loop", "socket", "d"}).empty());
    EXPECT_EQ(FaultReason(TFileFault::NotRegular), "Это не обычный файл.");
}

// The windowed programs write regular files only: a pipe that is read and a character device
// are refused as well, and nothing reaches them.
TEST(StreamTarget, WithoutStreamsOnlyRegularFilesAreWritten) {
    TStreams streams(false);
    TTempDir dir;
    const std::string fifo = dir.Path("fifo"), node = dir.Path("null");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(WriteFileAtomically(fifo, Pattern(10)), TFileFault::NotRegular);
    std::uint8_t byte = 0;
    EXPECT_LE(::read(reader, &byte, 1), 0);
    ::close(reader);
    EXPECT_EQ(TypeOf(fifo), mode_t(S_IFIFO));
    EXPECT_EQ(WriteFileAtomically(dir.Path("file"), Pattern(10)), TFileFault::None);
    EXPECT_EQ(ReadBytes(dir.Path("file")), Pattern(10));
    if (std::string why; !MakeNode(node, S_IFCHR, 1, 3, why)) GTEST_SKIP() << why;
    EXPECT_EQ(WriteFileAtomically(node, Pattern(10)), TFileFault::NotRegular);
    EXPECT_EQ(TypeOf(node), mode_t(S_IFCHR));
}

// A pipe named as a map is refused without waiting for a writer that may never come. The read
// runs aside; should it wait, a writer is let in to end it, so that the wait shows as a failure.
TEST(StreamTarget, ReadingAPipeOrADeviceIsRefusedWithoutWaiting) {
    TTempDir dir;
    const std::string fifo = dir.Path("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << std::strerror(errno);
    auto read = std::async(std::launch::async, [&] {
        std::vector<std::uint8_t> bytes;
        return ReadFileBytes(fifo, bytes, 1000);
    });
    const bool waited = read.wait_for(std::chrono::seconds(3)) != std::future_status::ready;
    if (waited) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer >= 0) ::close(writer);
    }
    EXPECT_FALSE(waited) << "the read waited for a writer";
    EXPECT_EQ(read.get(), TFileFault::NotRegular);
    const std::string node = dir.Path("null");
    if (std::string why; !MakeNode(node, S_IFCHR, 1, 3, why)) GTEST_SKIP() << why;
    std::vector<std::uint8_t> bytes{1, 2, 3};
    EXPECT_EQ(ReadFileBytes(node, bytes, 1000), TFileFault::NotRegular);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{1, 2, 3}));
}

} // namespace
} // namespace vell::test
