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
#include <fmt/core.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "command_line.h"
#include "exit_codes.h"
#include "output_file.h"

using namespace zentrox::rar_tool;

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
