// Image and palette files named by the user, opened for reading: only regular
// files are read (a FIFO would hang the command), what the file's own header
// says decides whether it has a palette, and Qt's image plugins say nothing on
// standard error (the refusal they cause is our one message).
#pragma once

#include <QFile>
#include <QList>
#include <QRgb>
#include <QtGlobal>
#include <cstdio>
#include <memory>
#include <string>

#include "art/ArtOutcome.h"

namespace kerrow {

// The file opened read-only, or the message refusing it (missing, unreadable,
// or no regular file).
ArtOutcome<std::unique_ptr<QFile>> OpenInputFile(const std::string& path);

// A PNG whose header declares any colour type but a palette. Qt hands a grey
// PNG with a transparency chunk (and a 1-bit grey one) over as an indexed image
// whose colour table it made up; such an image has no palette of its own.
bool IsPngWithoutPalette(QIODevice& file);

// A GIF's colour table: the global one, else the first image's own. Qt decodes
// GIFs into true colour, so the table is read from the file. Empty for any
// other file, or a GIF without a table.
QList<QRgb> GifColourTable(QIODevice& file);

// While alive, what an image plugin would print on standard error (Qt's own
// warnings, and the lines libpng writes there itself) is kept instead; the
// first line says what the plugin found wrong.
class QuietImagePlugins {
 public:
  QuietImagePlugins();
  ~QuietImagePlugins();
  QuietImagePlugins(const QuietImagePlugins&) = delete;
  QuietImagePlugins& operator=(const QuietImagePlugins&) = delete;

  // " (first line kept)" or "" when nothing was said.
  std::string Detail() const;

 private:
  static void Keep(QtMsgType type, const QMessageLogContext& context, const QString& message);
  std::string first_;
  QtMessageHandler previous_ = nullptr;  // the handler installed before this one
  QuietImagePlugins* outer_ = nullptr;   // an enclosing one, active again afterwards
  std::FILE* kept_ = nullptr;            // standard error's stand-in
  int savedError_ = -1;                  // standard error itself
};

}  // namespace kerrow
