#include "art/ImageInput.h"

#include <fcntl.h>
#include <unistd.h>

#include <QByteArray>
#include <QtGlobal>
#include <cstring>

#include "graphics/RegularFile.h"

namespace kerrow {

namespace {

constexpr char kPngSignature[] = "\x89PNG\r\n\x1A\n";
constexpr int kPngPaletteColourType = 3;
// A GIF's first image follows a few small extension blocks; reading this much
// finds its table in any ordinary file without reading a large one whole.
constexpr qint64 kGifSearchBytes = 1 << 20;

QuietImagePlugins* activeQuiet = nullptr;

// The colour table of `size` entries at `at`, or empty when the data ends first.
QList<QRgb> TableAt(const QByteArray& data, qsizetype at, int size) {
  QList<QRgb> table;
  if (at + 3 * size > data.size()) return table;
  for (int i = 0; i < size; ++i) {
    const auto* rgb = reinterpret_cast<const unsigned char*>(data.constData() + at + 3 * i);
    table.append(qRgb(rgb[0], rgb[1], rgb[2]));
  }
  return table;
}

}  // namespace

void QuietImagePlugins::Keep(QtMsgType, const QMessageLogContext&, const QString& message) {
  if (activeQuiet && activeQuiet->first_.empty()) activeQuiet->first_ = message.toStdString();
}

QuietImagePlugins::QuietImagePlugins()
    : previous_(qInstallMessageHandler(Keep)), outer_(activeQuiet) {
  activeQuiet = this;
  std::fflush(stderr);
  kept_ = std::tmpfile();
  if (!kept_) return;
  savedError_ = ::dup(STDERR_FILENO);
  if (savedError_ < 0 || ::dup2(::fileno(kept_), STDERR_FILENO) < 0) {
    if (savedError_ >= 0) ::close(savedError_);
    savedError_ = -1;
  }
}

QuietImagePlugins::~QuietImagePlugins() {
  std::fflush(stderr);
  if (savedError_ >= 0) {
    ::dup2(savedError_, STDERR_FILENO);
    ::close(savedError_);
  }
  if (kept_) std::fclose(kept_);
  qInstallMessageHandler(previous_);
  activeQuiet = outer_;
}

std::string QuietImagePlugins::Detail() const {
  std::string line = first_;
  if (line.empty() && savedError_ >= 0) {
    std::fflush(stderr);
    char text[256] = {};
    const ssize_t got = ::pread(::fileno(kept_), text, sizeof text - 1, 0);
    if (got > 0) line.assign(text, static_cast<std::size_t>(got));
    line = line.substr(0, line.find_first_of("\r\n"));
  }
  return line.empty() ? "" : " (" + line + ")";
}

ArtOutcome<std::unique_ptr<QFile>> OpenInputFile(const std::string& path) {
  using Result = ArtOutcome<std::unique_ptr<QFile>>;
  const OpenedFile opened = OpenRegularFile(path, O_RDONLY);
  if (!opened.NotRegular.empty())
    return Result::Refused("Cannot read " + path + ": it is " + opened.NotRegular +
                           ", not a regular file. Nothing was read.");
  if (opened.Fd < 0)
    return Result::Refused("Cannot open " + path + ": " + std::strerror(opened.Error) + ".");
  auto file = std::make_unique<QFile>();
  if (!file->open(opened.Fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(opened.Fd);
    return Result::Refused("Cannot open " + path + ": " + file->errorString().toStdString() + ".");
  }
  return file;
}

bool IsPngWithoutPalette(QIODevice& file) {
  // Signature, IHDR's length and type, width, height, bit depth, colour type.
  const QByteArray head = file.peek(26);
  return head.size() == 26 && std::memcmp(head.constData(), kPngSignature, 8) == 0 &&
         head.mid(12, 4) == "IHDR" && head[25] != kPngPaletteColourType;
}

QList<QRgb> GifColourTable(QIODevice& file) {
  const QByteArray data = file.peek(kGifSearchBytes);
  if (!data.startsWith("GIF87a") && !data.startsWith("GIF89a")) return {};
  auto byte = [&](qsizetype at) { return at < data.size() ? static_cast<unsigned char>(data[at]) : 0; };
  auto tableSize = [](unsigned char packed) { return 2 << (packed & 7); };
  // The logical screen descriptor's flags hold the global table's presence and size.
  const unsigned char screen = byte(10);
  if (screen & 0x80) return TableAt(data, 13, tableSize(screen));
  // No global table: walk past the extensions to the first image descriptor.
  qsizetype at = 13;
  while (at < data.size()) {
    if (byte(at) == 0x2C) {
      const unsigned char image = byte(at + 9);
      return (image & 0x80) ? TableAt(data, at + 10, tableSize(image)) : QList<QRgb>{};
    }
    if (byte(at) != 0x21) return {};  // the trailer, or damage
    at += 2;                          // introducer and label, then sub-blocks up to an empty one
    while (at < data.size() && byte(at) != 0) at += 1 + byte(at);
    ++at;
  }
  return {};
}

}  // namespace kerrow
