// Draws the program's icon from its pixel art: PNGs of the usual sizes for the
// hicolor theme, and a scalable SVG of the same pixels.
//   kerrow_icon_gen <art file> <icon name> <output dir> <size>...
// writes <output dir>/<size>x<size>/apps/<icon name>.png and
// <output dir>/scalable/apps/<icon name>.svg.
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QStringList>
#include <QTextStream>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

struct Art {
  std::map<QChar, QColor> colours;
  QStringList rows;
};

bool ReadArt(const QString& path, Art& art) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
  QTextStream in(&file);
  while (!in.atEnd()) {
    const QString line = in.readLine().trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    const QStringList words = line.split(' ', Qt::SkipEmptyParts);
    if (words.size() == 3 && words[0] == "colour" && words[1].size() == 1) {
      art.colours[words[1][0]] = QColor("#" + words[2]);
    } else {
      art.rows << line;
    }
  }
  for (const QString& row : art.rows) {
    if (row.size() != art.rows.size()) return false;  // square, one character per pixel
    for (QChar c : row)
      if (c != '.' && !art.colours.count(c)) return false;
  }
  return !art.rows.isEmpty();
}

bool WritePng(const Art& art, int size, const QString& path) {
  const int pixels = static_cast<int>(art.rows.size());
  QImage image(size, size, QImage::Format_ARGB32);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const QChar c = art.rows[y * pixels / size][x * pixels / size];
      image.setPixelColor(x, y, c == '.' ? QColor(0, 0, 0, 0) : art.colours.at(c));
    }
  return image.save(path, "PNG");
}

bool WriteSvg(const Art& art, const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) return false;
  QTextStream out(&file);
  const int pixels = static_cast<int>(art.rows.size());
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << pixels * 8 << "\" height=\""
      << pixels * 8 << "\" viewBox=\"0 0 " << pixels << ' ' << pixels
      << "\" shape-rendering=\"crispEdges\">\n";
  for (int y = 0; y < pixels; ++y)
    for (int x = 0; x < pixels; ++x) {
      const QChar c = art.rows[y][x];
      if (c == '.') continue;
      out << "  <rect x=\"" << x << "\" y=\"" << y << "\" width=\"1\" height=\"1\" fill=\""
          << art.colours.at(c).name() << "\"/>\n";
    }
  out << "</svg>\n";
  return out.status() == QTextStream::Ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: kerrow_icon_gen <art file> <icon name> <output dir> <size>...\n");
    return 64;
  }
  Art art;
  if (!ReadArt(argv[1], art)) {
    std::fprintf(stderr, "kerrow_icon_gen: %s is not a square pixel art of known colours\n", argv[1]);
    return 1;
  }
  const QString name = argv[2];
  const QDir out(argv[3]);
  for (int i = 4; i < argc; ++i) {
    const int size = std::atoi(argv[i]);
    const QString dir = QString("%1x%1/apps").arg(size);
    if (size <= 0 || !out.mkpath(dir) || !WritePng(art, size, out.filePath(dir + "/" + name + ".png"))) {
      std::fprintf(stderr, "kerrow_icon_gen: cannot write the %s icon\n", argv[i]);
      return 1;
    }
  }
  if (!out.mkpath("scalable/apps") || !WriteSvg(art, out.filePath("scalable/apps/" + name + ".svg"))) {
    std::fprintf(stderr, "kerrow_icon_gen: cannot write the scalable icon\n");
    return 1;
  }
  return 0;
}
