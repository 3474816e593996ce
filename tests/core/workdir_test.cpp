// The working directory's preparation: which folder, whether it can be used,
// and how its dictionaries follow the installed ones.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "intake/workdir.h"
#include "support/test_support.h"

namespace zentrox {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;
using Names = std::vector<std::string>;

// The installed set and a working directory beside it.
struct Folders {
  TempDir root;
  std::string installed = root / "installed/";
  std::string work = root / "work/";
  Folders() {
    fs::create_directories(installed);
    fs::create_directories(work);
    WriteBytes(installed + "a.txt", "A1");
    WriteBytes(installed + "b.txt", "B1");
    WriteBytes(installed + "c.txt", "C1");
    WriteBytes(installed + "zentrox-check", "program");
  }
  DictionarySync Sync() const { return SyncDictionaries(installed, work, /*adopt=*/false); }
  DictionarySync SyncAdopting() const { return SyncDictionaries(installed, work, /*adopt=*/true); }
};

TEST(Dictionaries, FilledUpgradedRestoredAndAnEditedOneKeptAndToldOnce) {
  Folders f;
  DictionarySync fill = f.Sync();
  EXPECT_TRUE(fill.managed);
  EXPECT_EQ(fill.copied, (Names{"a.txt", "b.txt", "c.txt"}));
  EXPECT_EQ(ReadBytes(f.work + "b.txt"), "B1");
  EXPECT_FALSE(fs::exists(f.work + "zentrox-check"));
  EXPECT_TRUE(fs::exists(f.work + kDictionaryManifest));

  // The user edits b and deletes c; an upgrade brings new a and b and a new d.
  WriteBytes(f.work + "b.txt", "B1 edited");
  fs::remove(f.work + "c.txt");
  WriteBytes(f.installed + "a.txt", "A2");
  WriteBytes(f.installed + "b.txt", "B2");
  WriteBytes(f.installed + "d.txt", "D1");
  DictionarySync upgrade = f.Sync();
  EXPECT_EQ(upgrade.copied, (Names{"a.txt", "c.txt", "d.txt"}));
  EXPECT_EQ(upgrade.to_tell, (Names{"b.txt"}));
  EXPECT_EQ(ReadBytes(f.work + "a.txt"), "A2");
  EXPECT_EQ(ReadBytes(f.work + "b.txt"), "B1 edited");
  EXPECT_EQ(ReadBytes(f.work + "c.txt"), "C1");
  EXPECT_EQ(ReadBytes(f.work + "d.txt"), "D1");

  const std::string notice = KeptDictionariesNotice(upgrade.to_tell, f.work, f.installed);
  EXPECT_NE(notice.find("b.txt"), std::string::npos);
  EXPECT_EQ(notice.find("a.txt"), std::string::npos);
  EXPECT_NE(notice.find(f.work), std::string::npos);
  EXPECT_EQ(KeptDictionariesNotice({}, f.work, f.installed), "");

  // Told once: the next start is silent and changes nothing.
  DictionarySync again = f.Sync();
  EXPECT_TRUE(again.copied.empty());
  EXPECT_TRUE(again.to_tell.empty());

  // Another installed version held back by the edit is news again.
  WriteBytes(f.installed + "b.txt", "B3");
  EXPECT_EQ(f.Sync().to_tell, (Names{"b.txt"}));
  EXPECT_EQ(ReadBytes(f.work + "b.txt"), "B1 edited");

  // Deleting the edited file brings the installed version back, managed again.
  fs::remove(f.work + "b.txt");
  EXPECT_EQ(f.Sync().copied, (Names{"b.txt"}));
  WriteBytes(f.installed + "b.txt", "B4");
  EXPECT_EQ(f.Sync().copied, (Names{"b.txt"}));
  EXPECT_EQ(ReadBytes(f.work + "b.txt"), "B4");
}

TEST(Dictionaries, AnOfficesOwnSetIsUsedAsItStands) {
  Folders f;
  WriteBytes(f.work + "a.txt", "office's own");
  DictionarySync sync = f.Sync();
  EXPECT_FALSE(sync.managed);
  EXPECT_TRUE(sync.copied.empty());
  EXPECT_FALSE(fs::exists(f.work + "b.txt"));  // reported missing by the control run
  EXPECT_FALSE(fs::exists(f.work + kDictionaryManifest));
  WriteBytes(f.installed + "a.txt", "A2");
  f.Sync();
  EXPECT_EQ(ReadBytes(f.work + "a.txt"), "office's own");
}

TEST(Dictionaries, ThePortableFolderIsTheInstalledSetItself) {
  Folders f;
  DictionarySync sync = SyncDictionaries(f.installed, f.root / "installed/./", false);
  EXPECT_FALSE(sync.managed);
  EXPECT_FALSE(fs::exists(f.installed + kDictionaryManifest));
}

// The per-user directory was filled by earlier versions without a manifest:
// it is taken over, an equal dictionary as copied, a differing one as the
// user's.
TEST(Dictionaries, ThePerUserFolderIsAdoptedWithoutAManifest) {
  Folders f;
  WriteBytes(f.work + "a.txt", "A1");
  WriteBytes(f.work + "b.txt", "B0");
  DictionarySync sync = f.SyncAdopting();
  EXPECT_TRUE(sync.managed);
  EXPECT_EQ(sync.copied, (Names{"c.txt"}));
  EXPECT_EQ(sync.to_tell, (Names{"b.txt"}));
  WriteBytes(f.installed + "a.txt", "A2");
  EXPECT_EQ(f.Sync().copied, (Names{"a.txt"}));
  EXPECT_EQ(ReadBytes(f.work + "b.txt"), "B0");
}

// Whoever can write the working directory may plant links there, under the
// names temporary files once had or in place of a dictionary: a start neither
// writes through them nor leaves a dictionary a link to elsewhere.
TEST(Dictionaries, LinksPlantedInTheWorkdirAreNeverWrittenThrough) {
  for (const std::string planted : {"a.txt.zentrox-new", ".zentrox-dictionaries.zentrox-new", "b.txt"}) {
    Folders f;
    f.Sync();
    WriteBytes(f.root / "victim", "B1");
    fs::remove(f.work + planted);
    fs::create_symlink(f.root / "victim", f.work + planted);
    WriteBytes(f.installed + "a.txt", "A2");
    WriteBytes(f.installed + "b.txt", "B2");
    f.Sync();
    EXPECT_EQ(ReadBytes(f.root / "victim"), "B1") << planted;
    EXPECT_EQ(ReadBytes(f.work + "a.txt"), "A2") << planted;
    EXPECT_FALSE(fs::is_symlink(f.work + "a.txt")) << planted;
  }
}

struct UnusableCase {
  const char* what;
  std::string option;  // relative to the test's folder, "" stays empty
  const char* reason;
};

TEST(PrepareWorkdir, AnUnusableDirectoryIsRefusedBeforeAnythingIsCopied) {
  TempDir root;
  WriteBytes(root / "file", "x");
  WriteBytes(root / "program.txt", "1|a\r\n");
  const UnusableCase cases[] = {
      {"empty option", "", "empty path"},
      {"a regular file", "file", "not a directory"},
      {"below a regular file", "file/sub", "can't be created"},
  };
  for (const UnusableCase& c : cases) {
    const std::string option = c.option.empty() ? "" : root / c.option;
    WorkdirSetup setup = PrepareWorkdir(option, root.path());
    EXPECT_EQ(setup.dir, "") << c.what;
    EXPECT_NE(setup.error.find(c.reason), std::string::npos) << c.what << ": " << setup.error;
    if (!c.option.empty()) {
      EXPECT_NE(setup.error.find(option), std::string::npos) << c.what;
    }
  }
}

TEST(PrepareWorkdir, AnUnwritableDirectoryIsRefused) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes through permission bits";
  TempDir root;
  fs::create_directories(root / "ro");
  ::chmod((root / "ro").c_str(), 0500);
  WorkdirSetup setup = PrepareWorkdir(root / "ro", root.path());
  ::chmod((root / "ro").c_str(), 0700);
  EXPECT_NE(setup.error.find("can't be used"), std::string::npos) << setup.error;
}

TEST(PrepareWorkdir, AMissingDirectoryIsCreatedAndFilled) {
  TempDir root;
  fs::create_directories(root / "program");
  WriteBytes(root / "program/months.txt", "1|a\r\n");
  WorkdirSetup setup = PrepareWorkdir(root / "new/work//", root / "program");
  EXPECT_EQ(setup.error, "");
  EXPECT_EQ(setup.dir, root / "new/work/");
  EXPECT_EQ(ReadBytes(root / "new/work/months.txt"), "1|a\r\n");

  // The same through the environment.
  const char* old = std::getenv("ZENTROX_WORKDIR");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("ZENTROX_WORKDIR", (root / "from-env").c_str(), 1);
  WorkdirSetup env = PrepareWorkdir(std::nullopt, root / "program");
  if (old != nullptr) {
    ::setenv("ZENTROX_WORKDIR", saved.c_str(), 1);
  } else {
    ::unsetenv("ZENTROX_WORKDIR");
  }
  EXPECT_EQ(env.dir, root / "from-env/");
  EXPECT_TRUE(fs::exists(root / "from-env/months.txt"));
}

}  // namespace
}  // namespace zentrox
