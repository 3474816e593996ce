// Saving a protocol over whatever the chosen name stands for: a file is
// replaced whole, a link keeps pointing at its target, a device or pipe is
// written to, and nothing else is touched.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <thread>

#include "report/atomic_write.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

mode_t LinkMode(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

// Names left in a folder besides the expected ones: a temporary file that
// outlived the save would show here.
std::size_t Entries(const std::string& dir) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

struct SaveCase {
  const char* what;
  // Prepares the folder and returns the name saved to.
  std::function<std::string(const TempDir&)> setup;
  // Checks the folder after a successful save of "new".
  std::function<void(const TempDir&)> check;
};

TEST(WriteFileAtomically, WritesThroughLinksAndIntoDevicesAndPipes) {
  const SaveCase cases[] = {
      {"a regular file keeps its mode",
       [](const TempDir& d) {
         WriteBytes(d / "out.doc", "old");
         ::chmod((d / "out.doc").c_str(), 0600);
         return d / "out.doc";
       },
       [](const TempDir& d) {
         EXPECT_EQ(ReadBytes(d / "out.doc"), "new");
         EXPECT_EQ(LinkMode(d / "out.doc") & 0777, 0600u);
         EXPECT_EQ(Entries(d.path()), 1u);
       }},
      {"a link to a file in another folder",
       [](const TempDir& d) {
         fs::create_directories(d / "target");
         fs::create_directories(d / "links");
         WriteBytes(d / "target/real.doc", "old");
         fs::create_symlink("../target/real.doc", d / "links/out.doc");
         return d / "links/out.doc";
       },
       [](const TempDir& d) {
         EXPECT_TRUE(S_ISLNK(LinkMode(d / "links/out.doc")));
         EXPECT_EQ(ReadBytes(d / "target/real.doc"), "new");
         EXPECT_EQ(Entries(d / "links"), 1u);
         EXPECT_EQ(Entries(d / "target"), 1u);
       }},
      {"a chain of links",
       [](const TempDir& d) {
         WriteBytes(d / "real.doc", "old");
         fs::create_symlink(d / "real.doc", d / "first");
         fs::create_symlink("first", d / "second");
         return d / "second";
       },
       [](const TempDir& d) {
         EXPECT_TRUE(S_ISLNK(LinkMode(d / "first")));
         EXPECT_TRUE(S_ISLNK(LinkMode(d / "second")));
         EXPECT_EQ(ReadBytes(d / "real.doc"), "new");
       }},
      {"a dangling link",
       [](const TempDir& d) {
         fs::create_directories(d / "sub");
         fs::create_symlink("sub/made.doc", d / "out.doc");
         return d / "out.doc";
       },
       [](const TempDir& d) {
         EXPECT_TRUE(S_ISLNK(LinkMode(d / "out.doc")));
         EXPECT_EQ(ReadBytes(d / "sub/made.doc"), "new");
       }},
      {"a character device",
       [](const TempDir& d) {
         // A private null device where this process may make one; /dev/null
         // otherwise (which an unprivileged save could not replace anyway).
         if (::mknod((d / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) return d / "null";
         return std::string("/dev/null");
       },
       [](const TempDir& d) {
         const std::string dev = fs::exists(d / "null") ? d / "null" : std::string("/dev/null");
         EXPECT_TRUE(S_ISCHR(LinkMode(dev))) << dev;
         EXPECT_EQ(Entries(d.path()), fs::exists(d / "null") ? 1u : 0u);
       }},
  };
  for (const SaveCase& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir dir;
    const std::string path = c.setup(dir);
    EXPECT_NO_THROW(WriteFileAtomically(path, "new"));
    c.check(dir);
  }
}

TEST(WriteFileAtomically, AFifoIsWrittenToItsReader) {
  TempDir dir;
  const std::string fifo = dir / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] {
    int fd = ::open(fifo.c_str(), O_RDONLY);
    if (fd < 0) return;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0) received.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
  });
  // A second name of the pipe lets the test release a reader that a wrong
  // save left waiting.
  ASSERT_EQ(::link(fifo.c_str(), (dir / "pipe-kept").c_str()), 0);
  const std::string content(100000, 'x');  // more than a pipe holds at once
  EXPECT_NO_THROW(WriteFileAtomically(fifo, content));
  int release = ::open((dir / "pipe-kept").c_str(), O_WRONLY | O_NONBLOCK);
  if (release >= 0) ::close(release);
  reader.join();
  EXPECT_EQ(received.size(), content.size());
  EXPECT_TRUE(S_ISFIFO(LinkMode(fifo)));
  EXPECT_EQ(Entries(dir.path()), 2u);
}

TEST(WriteFileAtomically, OtherKindsOfFileAreRefusedAndLeftAlone) {
  TempDir dir;
  fs::create_directories(dir / "folder");
  WriteBytes(dir / "folder/inside", "kept");
  fs::create_symlink("folder", dir / "to-folder");

  const std::string socket_path = dir / "sock";
  int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(socket_path.size(), sizeof addr.sun_path);
  std::strcpy(addr.sun_path, socket_path.c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

  struct Refused {
    std::string path;
    const char* reason;
    mode_t (*kind)(mode_t);
  };
  const Refused cases[] = {
      {dir / "folder", "directory", [](mode_t m) -> mode_t { return S_ISDIR(m); }},
      {dir / "to-folder", "directory", [](mode_t m) -> mode_t { return S_ISLNK(m); }},
      {socket_path, "socket", [](mode_t m) -> mode_t { return S_ISSOCK(m); }},
  };
  for (const Refused& c : cases) {
    try {
      WriteFileAtomically(c.path, "new");
      ADD_FAILURE() << c.path << " was written";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.path), std::string::npos) << e.what();
    }
    EXPECT_TRUE(c.kind(LinkMode(c.path))) << c.path;
  }
  ::close(sock);
  EXPECT_EQ(ReadBytes(dir / "folder/inside"), "kept");
  EXPECT_EQ(Entries(dir.path()), 3u);
}

}  // namespace
}  // namespace zentrox
