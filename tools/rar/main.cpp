// Rar: the archiver the checker starts as a separate process to list and
// extract declaration packages (RAR 1.5-4.x and RAR 5), and to create stored
// RAR 2.9-layout archives. Reading goes through libarchive; a crash inside it
// ends only this process, and the caller sees a non-zero exit.
//
//   Rar l ARCHIVE                        list entries
//   Rar e [-y] ARCHIVE [NAME...] DESTDIR extract regular files by base name
//   Rar a ARCHIVE FILE...                create a stored archive of FILEs
//
// Exit codes:
//   0  success
//   1  archive (or input file of `a`) missing, unreadable, damaged or not a RAR archive
//   2  usage error, including an invalid ZENTROX_RAR_MAX_BYTES
//   3  CRC error: extracted data differs from the CRC recorded in the archive
//   4  total unpacked size over the cap (ZENTROX_RAR_MAX_BYTES, default 1 GiB)
//   5  encrypted entry or encrypted archive headers
//   6  destination problem: an output file cannot be created, written or renamed
//   7  refused entry: a link or folder selected by name, an unusable name, a file over 4 GiB for `a`
//
// `e` with NAMEs writes each NAME at most once, under its lower-case form, from
// the last entry that matches it; a NAME the archive lacks is not an error.
#include "crc32.h"
#include "base/env_count.h"
#include "entry_names.h"
#include "rar4_writer.h"
#include "rar_headers.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/core.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace zentrox;

enum Exit : int {
  kOk = 0,
  kArchiveError = 1,
  kUsage = 2,
  kCrcError = 3,
  kSizeCap = 4,
  kEncrypted = 5,
  kDestination = 6,
  kRefused = 7,
};

constexpr std::size_t kBufferSize = 64 * 1024;

struct Failure {
  int code;
  std::string message;
};

[[noreturn]] void fail(int code, std::string message) { throw Failure{code, std::move(message)}; }

std::string errno_text() { return std::strerror(errno); }

// ---- temporary output files -------------------------------------------------
// Every output is written to a fresh temporary file beside its final name and
// renamed into place only when complete, so a failed or killed run never
// leaves a partial file under a real name. A fatal signal (libarchive can crash
// on damaged input) removes the temporary file before the process dies.

struct SignalCleanupSlot {
  volatile sig_atomic_t active = 0;
  int dirfd = -1;
  char name[64] = {};
};
SignalCleanupSlot g_cleanup;

extern "C" void remove_temp_and_die(int sig) {
  if (g_cleanup.active) unlinkat(g_cleanup.dirfd, g_cleanup.name, 0);
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

// A signal the run was started with ignored stays ignored: a background job
// must not die of a Ctrl+C in its terminal, nor a run under nohup of a hangup.
void install_signal_cleanup() {
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) std::signal(sig, remove_temp_and_die);
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    if (std::signal(sig, remove_temp_and_die) == SIG_IGN) std::signal(sig, SIG_IGN);
  }
}

class TempFile {
 public:
  explicit TempFile(int dirfd) : dirfd_(dirfd) {
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
      name_ = fmt::format(".zentrox-rar-{}-{}", getpid(), counter++);
      // O_EXCL and O_NOFOLLOW: never reuse or follow anything already there.
      fd_ = openat(dirfd_, name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (fd_ >= 0 || errno != EEXIST) break;
    }
    if (fd_ < 0) fail(kDestination, fmt::format("cannot create output file: {}", errno_text()));
    g_cleanup.dirfd = dirfd_;
    std::snprintf(g_cleanup.name, sizeof g_cleanup.name, "%s", name_.c_str());
    g_cleanup.active = 1;
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  ~TempFile() {
    if (fd_ >= 0) close(fd_);
    if (!committed_) unlinkat(dirfd_, name_.c_str(), 0);
    g_cleanup.active = 0;
  }

  void write(const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      const ssize_t n = ::write(fd_, p, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) fail(kDestination, fmt::format("cannot write output file: {}", errno_text()));
      p += n;
      size -= static_cast<std::size_t>(n);
    }
  }
  void write(std::string_view bytes) { write(bytes.data(), bytes.size()); }

  // Replaces whatever is at final_name (a symlink there is replaced, not followed).
  void commit(const std::string& final_name) {
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) fail(kDestination, fmt::format("cannot write output file: {}", errno_text()));
    if (renameat(dirfd_, name_.c_str(), dirfd_, final_name.c_str()) != 0)
      fail(kDestination, fmt::format("cannot create {}: {}", final_name, errno_text()));
    committed_ = true;
  }

 private:
  int dirfd_;
  int fd_ = -1;
  std::string name_;
  bool committed_ = false;
};

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }

 private:
  int fd_;
};

// ---- reading archives through libarchive ------------------------------------

using ArchivePtr = std::unique_ptr<archive, decltype(&archive_read_free)>;

std::string archive_error(archive* a) {
  const char* text = archive_error_string(a);
  return text != nullptr ? text : "unknown error";
}

// libarchive reports CRC failures of compressed data only through its message.
int code_for_read_error(const std::string& message) {
  if (message.find("CRC") != std::string::npos) return kCrcError;
  if (message.find("ncrypt") != std::string::npos || message.find("assword") != std::string::npos) return kEncrypted;
  return kArchiveError;
}

void require_regular_file(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) fail(kArchiveError, fmt::format("cannot open {}: {}", path, errno_text()));
  if (!S_ISREG(st.st_mode)) fail(kArchiveError, fmt::format("{} is not a regular file", path));
}

ArchivePtr open_archive(const std::string& path) {
  require_regular_file(path);
  ArchivePtr a(archive_read_new(), &archive_read_free);
  if (!a) fail(kArchiveError, "out of memory");
  // Only the RAR readers: with every format enabled a RAR may be read as a ZIP.
  archive_read_support_format_rar(a.get());
  archive_read_support_format_rar5(a.get());
  if (archive_read_open_filename(a.get(), path.c_str(), kBufferSize) != ARCHIVE_OK)
    fail(kArchiveError, fmt::format("cannot read {}: {}", path, archive_error(a.get())));
  return a;
}

// The next entry, or nullptr at the end of the archive.
archive_entry* next_entry(archive* a, const std::string& path) {
  archive_entry* entry = nullptr;
  const int r = archive_read_next_header(a, &entry);
  if (r == ARCHIVE_EOF) return nullptr;
  if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
    const std::string message = archive_error(a);
    fail(code_for_read_error(message), fmt::format("cannot read {}: {}", path, message));
  }
  return entry;
}

std::string entry_name(archive_entry* entry) {
  const char* name = archive_entry_pathname_utf8(entry);
  if (name == nullptr) name = archive_entry_pathname(entry);
  return name != nullptr ? name : "";
}

bool is_link(archive_entry* entry) {
  return archive_entry_hardlink(entry) != nullptr || archive_entry_symlink(entry) != nullptr ||
         archive_entry_filetype(entry) == AE_IFLNK;
}

// Reads the archive's own headers before libarchive does: encrypted headers
// and headers that fail their CRC or run past the end of the file make the
// archive unusable (libarchive would otherwise return garbage entries or crash).
rar::HeaderScan scan_checked(const std::string& path) {
  require_regular_file(path);
  rar::HeaderScan scan = rar::scan_headers(path);
  if (scan.headers_encrypted) fail(kEncrypted, fmt::format("{} has encrypted headers", path));
  if (scan.format != rar::ArchiveFormat::Unknown && !scan.complete)
    fail(kArchiveError,
         fmt::format("damaged archive {}: corrupt or truncated header at offset {}", path, scan.stopped_at));
  return scan;
}

// ---- l ------------------------------------------------------------------------

struct ListRow {
  std::string name;
  std::string size;
  std::string date;
  std::string note;
};

std::string format_time(archive_entry* entry) {
  if (!archive_entry_mtime_is_set(entry)) return "---------- -----";
  const std::time_t t = archive_entry_mtime(entry);
  std::tm tm{};
  char text[32];
  if (localtime_r(&t, &tm) == nullptr || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &tm) == 0)
    return "---------- -----";
  return text;
}

int list(const std::string& path) {
  const rar::HeaderScan scan = scan_checked(path);
  rar::HeaderMatcher headers(scan.entries);
  ArchivePtr a = open_archive(path);
  std::vector<ListRow> rows;
  std::uint64_t total = 0;
  while (archive_entry* entry = next_entry(a.get(), path)) {
    std::string name = entry_name(entry);
    const rar::HeaderEntry* repeated = name.empty() ? headers.repeated() : nullptr;
    const rar::HeaderEntry* header = repeated != nullptr ? repeated : headers.match(name);
    if (repeated != nullptr) name = repeated->name;
    ListRow row;
    row.name = rar::printable(rar::base_name(name));
    const bool sized = repeated != nullptr || archive_entry_size_is_set(entry) != 0;
    const auto size = repeated != nullptr ? repeated->unpacked_size
                      : sized             ? static_cast<std::uint64_t>(archive_entry_size(entry))
                                          : 0;
    row.size = sized ? std::to_string(size) : "?";
    total += size;
    row.date = repeated != nullptr ? "---------- -----" : format_time(entry);
    const bool directory = archive_entry_filetype(entry) == AE_IFDIR || (repeated != nullptr && repeated->directory);
    if (directory)
      row.note = " <dir>";
    else if (const char* target = archive_entry_symlink(entry))
      row.note = fmt::format(" -> {}", target);
    else if (const char* target = archive_entry_hardlink(entry))
      row.note = fmt::format(" => {}", target);
    if (archive_entry_is_encrypted(entry) || (header != nullptr && header->encrypted)) row.note += " encrypted";
    rows.push_back(std::move(row));
  }

  std::size_t name_width = 8;  // the checker reads names from columns 2-9
  std::size_t size_width = 4;
  for (const ListRow& r : rows) {
    name_width = std::max(name_width, rar::display_width(r.name));
    size_width = std::max(size_width, r.size.size());
  }
  const std::string dashes(std::max<std::size_t>(40, name_width + size_width + 21), '-');
  std::string out = fmt::format("Archive: {}\n {}{} {:>{}} {}\n{}\n", path, "Name", std::string(name_width - 4, ' '),
                                "Size", size_width, "Modified", dashes);
  for (const ListRow& r : rows) {
    out += fmt::format(" {}{} {:>{}} {}{}\n", r.name, std::string(name_width - rar::display_width(r.name), ' '), r.size,
                       size_width, r.date, r.note);
  }
  out += fmt::format("{}\n {} entries, {} bytes\n", dashes, rows.size(), total);
  std::fwrite(out.data(), 1, out.size(), stdout);
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) fail(kDestination, "cannot write the listing: " + errno_text());
  return kOk;
}

// ---- e ------------------------------------------------------------------------

std::uint64_t max_unpacked_bytes() {
  // Digits only; the setting can lower the cap, never raise it.
  const char* text = std::getenv("ZENTROX_RAR_MAX_BYTES");
  const zentrox::EnvCount count = zentrox::ParseEnvCount(text, kRarMaxBytes, kRarMaxBytes);
  if (count.state == zentrox::EnvCount::State::Invalid)
    fail(kUsage, fmt::format("invalid ZENTROX_RAR_MAX_BYTES: {}", text));
  if (count.state == zentrox::EnvCount::State::Clamped)
    std::fputs(
        fmt::format("Rar: {}\n", zentrox::EnvCountComplaint("ZENTROX_RAR_MAX_BYTES", text, count, "bytes")).c_str(),
        stderr);
  return count.value;
}

class Extractor {
 public:
  Extractor(std::string archive_path, std::vector<std::string> names, int dirfd)
      : path_(std::move(archive_path)),
        names_(std::move(names)),
        found_(names_.size(), false),
        dirfd_(dirfd),
        cap_(max_unpacked_bytes()) {}

  // Entries are written in archive order, each over what an earlier one of
  // the same output name left, so the last of them is what stays: the copy
  // any overwriting extractor leaves. Any failure ends the run at once.
  int run() {
    const rar::HeaderScan scan = scan_checked(path_);
    rar::HeaderMatcher headers(scan.entries);
    ArchivePtr a = open_archive(path_);
    while (archive_entry* entry = next_entry(a.get(), path_)) {
      std::string name = entry_name(entry);
      const rar::HeaderEntry* header = nullptr;
      const rar::HeaderEntry* repeated = name.empty() ? headers.repeated() : nullptr;
      if (repeated != nullptr) {
        header = repeated;
        name = repeated->name;
      } else {
        header = headers.match(name);
      }
      const std::string base = rar::base_name(name);
      // An encrypted entry makes the archive unreadable as a whole, even
      // where it is not one that was asked for.
      const bool encrypted = repeated != nullptr
                                 ? repeated->encrypted
                                 : archive_entry_is_encrypted(entry) || (header != nullptr && header->encrypted);
      if (encrypted) fail(kEncrypted, fmt::format("encrypted entry {}", rar::printable(name)));
      // With NAMEs, an entry is written under the lower-case form of the
      // first NAME it matches, whatever case the archive gives it.
      std::string output = base;
      if (!names_.empty()) {
        const auto named = std::find_if(names_.begin(), names_.end(),
                                        [&](const std::string& n) { return rar::same_name_ignoring_case(base, n); });
        if (named == names_.end()) continue;  // libarchive skips the data
        output = rar::lower_name(*named);
        found_[static_cast<std::size_t>(named - names_.begin())] = true;
      }

      if (repeated != nullptr) {
        if (header->directory) {
          if (!names_.empty()) fail(kRefused, fmt::format("refusing to extract folder entry {}", rar::printable(name)));
          continue;
        }
        check_entry(name, base);
        extract_repeated(name, output, *header);
        continue;
      }
      // Type 0 comes from hosts libarchive does not know: their entries are plain files.
      const auto type = archive_entry_filetype(entry);
      const bool directory = type == AE_IFDIR || (header != nullptr && header->directory);
      const bool regular = !directory && (type == AE_IFREG || type == 0);
      if (is_link(entry) || (!regular && !directory)) {
        if (!names_.empty())
          fail(kRefused, fmt::format("refusing to extract link or special entry {}", rar::printable(name)));
        continue;
      }
      if (directory) {
        // Left out, a folder named like a requested file would let an
        // earlier file of that name stand.
        if (!names_.empty()) fail(kRefused, fmt::format("refusing to extract folder entry {}", rar::printable(name)));
        continue;  // reading a directory's data is an error in libarchive
      }
      check_entry(name, base);
      extract_one(a.get(), name, output, header);
    }
    // A requested name the archive does not hold is no failure: the
    // caller finds the file missing and says so in its own terms. Unless
    // the archive also lacks its end block: then it was most likely cut
    // short, and the missing files with it.
    const auto missing = std::find(found_.begin(), found_.end(), false);
    if (missing != found_.end() && !scan.end_block)
      fail(kArchiveError, fmt::format("damaged archive {}: no end block, and no file {} (the archive may be cut short)",
                                      path_, names_[static_cast<std::size_t>(missing - found_.begin())]));
    return kOk;
  }

 private:
  void check_entry(const std::string& name, const std::string& base) {
    if (!rar::is_safe_base_name(base)) fail(kRefused, fmt::format("unusable entry name \"{}\"", rar::printable(name)));
  }

  void count(std::uint64_t bytes, const std::string& shown) {
    if (bytes > cap_ - written_)
      fail(kSizeCap, fmt::format("unpacked size exceeds the limit of {} bytes at {}", cap_, shown));
    written_ += bytes;
  }

  void check_crc(const rar::HeaderEntry* header, const rar::Crc32& crc, const std::string& shown) {
    if (header != nullptr && header->data_crc && *header->data_crc != crc.value())
      fail(kCrcError, fmt::format("CRC error in {}: archive says {:08X}, data gives {:08X}", shown, *header->data_crc,
                                  crc.value()));
  }

  void extract_one(archive* a, const std::string& name, const std::string& output, const rar::HeaderEntry* header) {
    const std::string shown = rar::printable(name);
    TempFile out(dirfd_);
    rar::Crc32 crc;
    std::vector<char> buffer(kBufferSize);
    for (;;) {
      const la_ssize_t n = archive_read_data(a, buffer.data(), buffer.size());
      if (n == 0) break;
      if (n < 0) {
        const std::string message = archive_error(a);
        fail(code_for_read_error(message), fmt::format("cannot extract {}: {}", shown, message));
      }
      count(static_cast<std::uint64_t>(n), shown);
      out.write(buffer.data(), static_cast<std::size_t>(n));
      crc.update(buffer.data(), static_cast<std::size_t>(n));
    }
    check_crc(header, crc, shown);
    out.commit(output);
  }

  // An entry the archive library folded into the one before it: its data
  // is read straight from the file when it is stored. A compressed one
  // cannot be read apart from that library, and is refused rather than left out.
  void extract_repeated(const std::string& name, const std::string& output, const rar::HeaderEntry& header) {
    const std::string shown = rar::printable(name);
    if (!header.stored || header.packed_size != header.unpacked_size)
      fail(kArchiveError, fmt::format("cannot extract {}: a compressed entry that repeats the name before it", shown));
    count(header.unpacked_size, shown);
    const Fd in(open(path_.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.get() < 0) fail(kArchiveError, fmt::format("cannot open {}: {}", path_, errno_text()));
    TempFile out(dirfd_);
    rar::Crc32 crc;
    std::vector<char> buffer(kBufferSize);
    std::uint64_t offset = header.data_offset;
    std::uint64_t left = header.packed_size;
    while (left > 0) {
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
      const ssize_t n = pread(in.get(), buffer.data(), want, static_cast<off_t>(offset));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) fail(kArchiveError, fmt::format("cannot extract {}: the archive ends inside its data", shown));
      out.write(buffer.data(), static_cast<std::size_t>(n));
      crc.update(buffer.data(), static_cast<std::size_t>(n));
      offset += static_cast<std::uint64_t>(n);
      left -= static_cast<std::uint64_t>(n);
    }
    check_crc(&header, crc, shown);
    out.commit(output);
  }

  std::string path_;
  std::vector<std::string> names_;
  std::vector<bool> found_;  // per NAME: an entry matched it
  int dirfd_;
  std::uint64_t cap_;
  std::uint64_t written_ = 0;
};

int extract(const std::string& path, std::vector<std::string> names, const std::string& dest) {
  const Fd dir(open(dest.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) fail(kDestination, fmt::format("cannot open destination {}: {}", dest, errno_text()));
  return Extractor(path, std::move(names), dir.get()).run();
}

// ---- a ------------------------------------------------------------------------

// CRC32 and length of everything readable from fd, starting at its beginning.
std::pair<std::uint32_t, std::uint64_t> checksum_file(int fd, const std::string& path, TempFile* copy_to) {
  if (lseek(fd, 0, SEEK_SET) != 0) fail(kArchiveError, fmt::format("cannot read {}: {}", path, errno_text()));
  rar::Crc32 crc;
  std::uint64_t length = 0;
  std::vector<char> buffer(kBufferSize);
  for (;;) {
    const ssize_t n = read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail(kArchiveError, fmt::format("cannot read {}: {}", path, errno_text()));
    if (n == 0) break;
    crc.update(buffer.data(), static_cast<std::size_t>(n));
    length += static_cast<std::uint64_t>(n);
    if (copy_to != nullptr) copy_to->write(buffer.data(), static_cast<std::size_t>(n));
  }
  return {crc.value(), length};
}

void add_file(TempFile& out, const std::string& path) {
  const Fd in(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.get() < 0) fail(kArchiveError, fmt::format("cannot open {}: {}", path, errno_text()));
  struct stat st {};
  if (fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode))
    fail(kArchiveError, fmt::format("{} is not a regular file", path));
  if (static_cast<std::uint64_t>(st.st_size) > std::numeric_limits<std::uint32_t>::max())
    fail(kRefused, fmt::format("{} is larger than 4 GiB", path));

  // Two passes: the header, which carries the CRC, precedes the data.
  const auto [crc, length] = checksum_file(in.get(), path, nullptr);
  if (length != static_cast<std::uint64_t>(st.st_size))
    fail(kArchiveError, fmt::format("{} changed while being read", path));
  rar4::FileHeaderFields fields;
  const std::size_t slash = path.find_last_of('/');
  fields.name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (fields.name.empty()) fail(kRefused, fmt::format("no file name in {}", path));
  fields.pack_size = fields.unpacked_size = static_cast<std::uint32_t>(length);
  fields.data_crc = crc;
  fields.dos_time = rar4::dos_time_from_unix(st.st_mtime);
  try {
    out.write(rar4::encode_file_header(fields));
  } catch (const std::length_error&) {
    fail(kRefused, fmt::format("file name too long: {}", path));
  }
  const auto [copied_crc, copied_length] = checksum_file(in.get(), path, &out);
  if (copied_crc != crc || copied_length != length)
    fail(kArchiveError, fmt::format("{} changed while being read", path));
}

int create(const std::string& archive_path, const std::vector<std::string>& files) {
  const std::size_t slash = archive_path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : archive_path.substr(0, slash + 1);
  const std::string final_name = slash == std::string::npos ? archive_path : archive_path.substr(slash + 1);
  if (final_name.empty()) fail(kUsage, fmt::format("no archive file name in {}", archive_path));
  const Fd dirfd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dirfd.get() < 0) fail(kDestination, fmt::format("cannot open directory {}: {}", dir, errno_text()));

  TempFile out(dirfd.get());
  out.write(rar4::encode_archive_start());
  for (const std::string& file : files) add_file(out, file);
  out.write(rar4::encode_end_block());
  out.commit(final_name);
  return kOk;
}

// ---- command line -----------------------------------------------------------------

constexpr const char* kUsageText =
    "usage: Rar l ARCHIVE                          list the entries\n"
    "       Rar e [-y] ARCHIVE [NAME...] DESTDIR   extract regular files (only NAMEs, if given,\n"
    "                                              matched against base names ignoring case and\n"
    "                                              written under their lower-case names)\n"
    "                                              into DESTDIR, overwriting existing files\n"
    "       Rar a ARCHIVE FILE...                  create a stored archive of FILEs\n"
    "environment: ZENTROX_RAR_MAX_BYTES caps the total bytes `e` writes (default 1 GiB)\n";

[[noreturn]] void usage_error(const std::string& message) {
  std::fputs(fmt::format("Rar: {}\n{}", message, kUsageText).c_str(), stderr);
  std::exit(kUsage);
}

// Entry names come back empty from libarchive unless the locale's charset is UTF-8.
void use_utf8_locale() {
  std::setlocale(LC_ALL, "");
  const char* codeset = nl_langinfo(CODESET);
  if (codeset == nullptr || std::strcmp(codeset, "UTF-8") != 0) std::setlocale(LC_ALL, "C.UTF-8");
}

int run(const std::vector<std::string>& args) {
  if (args.empty()) usage_error("no command given");
  const std::string& command = args[0];
  if (command == "l") {
    if (args.size() != 2) usage_error("l takes exactly one ARCHIVE");
    return list(args[1]);
  }
  if (command == "e") {
    std::size_t i = 1;
    for (; i < args.size() && args[i].size() > 1 && args[i][0] == '-'; ++i) {
      if (args[i] == "--") {
        ++i;
        break;
      }
      if (args[i] != "-y") usage_error(fmt::format("unknown option {}", args[i]));
    }
    if (args.size() - i < 2) usage_error("e needs ARCHIVE and DESTDIR");
    std::vector<std::string> names(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end() - 1);
    if (std::any_of(names.begin(), names.end(), [](const std::string& n) { return n.empty(); }))
      usage_error("empty NAME");
    return extract(args[i], std::move(names), args.back());
  }
  if (command == "a") {
    if (args.size() < 3) usage_error("a needs ARCHIVE and at least one FILE");
    return create(args[1], std::vector<std::string>(args.begin() + 2, args.end()));
  }
  usage_error(fmt::format("unknown command {}", command));
}

}  // namespace

// The fuzz target compiles this file into itself and calls run() in-process,
// without the signal handlers, which would hide a crash from the sanitizers.
#ifndef ZENTROX_RAR_NO_MAIN
int main(int argc, char** argv) {
  use_utf8_locale();
  install_signal_cleanup();
  try {
    return run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const Failure& f) {
    std::fputs(fmt::format("Rar: {}\n", f.message).c_str(), stderr);
    return f.code;
  } catch (const std::exception& e) {
    std::fputs(fmt::format("Rar: {}\n", e.what()).c_str(), stderr);
    return kArchiveError;
  }
}
#endif
