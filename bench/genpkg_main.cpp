// zentrox-genpkg: writes a synthetic package of N declarations and packs it
// with our archiver (the Rar beside this program).
//
//   zentrox-genpkg --variant V --declarations N [--series S] [--fault-rate F]
//                  [--sd-shape SHAPE --sd-bytes B] [--out DIR] [--keep-files DIR]
//
// Prints one line: the archive path, the declaration, pack and REV5_SD row
// counts, the unpacked size in bytes and the number of faulty rows.

#include <fmt/format.h>
#include <unistd.h>

#include <charconv>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "bench/genpkg.h"
#include "intake/command_runner.h"

namespace {

using namespace zentrox;

const char* const kUsage =
    "usage: zentrox-genpkg --variant monthly|quarterly|annual|annual-old --declarations N\n"
    "                      [--series S] [--fault-rate F] [--sd-shape SHAPE --sd-bytes B]\n"
    "                      [--out DIR] [--keep-files DIR]\n"
    "\n"
    "  --declarations N  declarations in the package (packs of at most 50)\n"
    "  --series S        which random series to draw from (default 1); equal options, equal files\n"
    "  --fault-rate F    share of rows (0..1) that carry one typical fault (default 0)\n"
    "  --sd-shape SHAPE  REV5_SD becomes B bytes of empty-lines, one-field-lines,\n"
    "                    one-field-values (the field counts 0..9 in turn),\n"
    "                    one-field-numbers (a random number of eight digits,\n"
    "                    no terminator, LF) or empty-fields (every terminator,\n"
    "                    no text)\n"
    "  --sd-bytes B      the size of that REV5_SD\n"
    "  --out DIR         where the archive is written (default: the current directory)\n"
    "  --keep-files DIR  also leave the unpacked package files in DIR\n";

int Usage(const std::string& message) {
  std::cerr << "zentrox-genpkg: " << message << "\n" << kUsage;
  return 2;
}

template <typename T>
bool ParseNumber(const std::string& text, T& value) {
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && ptr == text.data() + text.size();
}

}  // namespace

int main(int argc, char** argv) {
  bench::GenOptions options;
  bool have_variant = false;
  bool have_count = false;
  bool have_shape = false;
  bench::SdShape shape = bench::SdShape::EmptyLines;
  std::size_t shape_bytes = 0;
  std::string out_dir = ".";
  std::string keep_dir;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= argc) return false;
      v = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (a == "--variant") {
      if (!value(v) || !bench::ParseVariant(v, options.variant)) return Usage("--variant takes a variant id");
      have_variant = true;
    } else if (a == "--declarations") {
      if (!value(v) || !ParseNumber(v, options.declarations) || options.declarations == 0) {
        return Usage("--declarations takes a positive number");
      }
      have_count = true;
    } else if (a == "--series") {
      if (!value(v) || !ParseNumber(v, options.series)) return Usage("--series takes a number");
    } else if (a == "--fault-rate") {
      if (!value(v) || !ParseNumber(v, options.fault_rate) || options.fault_rate < 0 || options.fault_rate > 1) {
        return Usage("--fault-rate takes a number from 0 to 1");
      }
    } else if (a == "--sd-shape") {
      if (!value(v) || !bench::ParseSdShape(v, shape)) {
        return Usage(
            "--sd-shape takes empty-lines, one-field-lines, one-field-values, one-field-numbers or empty-fields");
      }
      have_shape = true;
    } else if (a == "--sd-bytes") {
      if (!value(v) || !ParseNumber(v, shape_bytes) || shape_bytes == 0)
        return Usage("--sd-bytes takes a positive number");
    } else if (a == "--out") {
      if (!value(out_dir)) return Usage("--out needs a directory");
    } else if (a == "--keep-files") {
      if (!value(keep_dir)) return Usage("--keep-files needs a directory");
    } else {
      return Usage("unknown argument '" + a + "'");
    }
  }
  if (!have_variant) return Usage("--variant is required");
  if (!have_count) return Usage("--declarations is required");

  if (have_shape != (shape_bytes != 0)) return Usage("--sd-shape and --sd-bytes go together");
  bench::GeneratedPackage package = bench::GeneratePackage(options);
  if (have_shape) bench::ReplaceSd(package, options.variant, shape, shape_bytes);
  namespace fs = std::filesystem;
  const fs::path out = fs::absolute(out_dir);
  const fs::path archive = out / package.archive_name;
  // The archiver stores each file under its last path component, so the
  // files are packed from a folder of their own.
  const fs::path files = keep_dir.empty() ? out / fmt::format("genpkg-{}.tmp", ::getpid()) : fs::absolute(keep_dir);
  std::error_code ec;
  fs::create_directories(files, ec);
  try {
    bench::WritePackageFiles(package, files.string());
  } catch (const std::exception& e) {
    std::cerr << "zentrox-genpkg: " << e.what() << '\n';
    return 1;
  }
  fs::remove(archive, ec);  // "a" would add to an existing archive
  Command rar{"Rar", {"a", archive.string()}, ""};
  for (const bench::GeneratedFile& f : package.files) rar.arguments.push_back((files / f.name).string());
  const CommandResult r = RunCommand(rar, ExecutableDirectory());
  if (keep_dir.empty()) fs::remove_all(files, ec);
  if (!r.ok()) {
    std::cerr << "zentrox-genpkg: the archiver failed (exit " << r.exit_code << ")\n";
    return 1;
  }
  std::cout << fmt::format("{} declarations={} packs={} rows={} bytes={} faulty_rows={}\n", archive.string(),
                           package.declarations, package.packs, package.monthly_rows, package.bytes(),
                           package.faulty_rows);
  return 0;
}
