// Printed pages of the virtual printer: numbered PNG files, written fast, and the latest pages in memory.
#include "sim/PageStore.h"

#include "sim/PageReduction.h"

#include <QImageWriter>
#include <QString>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

namespace {

// zlib's fastest level (Qt maps its 0..100 onto zlib's 0..9): a page is
// mostly white and compresses well even so, and the host waits while a page
// is written.
constexpr int PngCompression = 15;

// The number of a file named <prefix>NNNN.png (four digits or more), 0 for other names.
int PageNumber(const std::string& name, const std::string& prefix) {
  constexpr std::string_view Suffix = ".png";
  if (name.size() < prefix.size() + 4 + Suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
      name.compare(name.size() - Suffix.size(), Suffix.size(), Suffix) != 0)
    return 0;
  int number = 0;
  for (size_t i = prefix.size(); i + Suffix.size() < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9' || number > 9999999) return 0;
    number = number * 10 + (name[i] - '0');
  }
  return number;
}

}  // namespace

PageStore::PageStore(std::string directory, std::string prefix, Numbering numbering)
    : Directory(std::move(directory)), Prefix(std::move(prefix)) {
  if (Directory.empty()) return;
  std::error_code error;
  std::filesystem::create_directories(Directory, error);
  if (error) {
    MessageList.push_back("cannot create " + Directory + " (" + error.message() + "): pages are kept in memory only.");
    Directory.clear();
    return;
  }
  if (numbering == Numbering::FromOne) return;
  for (const auto& entry : std::filesystem::directory_iterator(Directory, error)) {
    const int number = PageNumber(entry.path().filename().string(), Prefix);
    if (number >= Next) Next = number + 1;
  }
}

void PageStore::WriteReducedCopy(const QImage& page, const std::string& name) {
  const std::filesystem::path folder = std::filesystem::path(Directory) / "reduced";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  const std::string path = (folder / name).string();
  const QImage reduced = ReducedPage(page, ReducedScale);
  if (error || reduced.isNull() || !reduced.save(QString::fromStdString(path), "png"))
    MessageList.push_back("cannot write the reduced copy " + path + ".");
}

void PageStore::Add(QImage page) {
  const int number = Next++;
  if (!Directory.empty()) {
    char name[32];
    std::snprintf(name, sizeof name, "%04d.png", number);
    const std::string path = (std::filesystem::path(Directory) / (Prefix + name)).string();
    QImageWriter writer(QString::fromStdString(path), "png");
    writer.setCompression(PngCompression);
    if (writer.write(page)) {
      FileList.push_back(path);
      if (ReducedScale > 0) WriteReducedCopy(page, Prefix + name);
    } else {
      MessageList.push_back("cannot write " + path + " (" + writer.errorString().toStdString() + ").");
      FileList.emplace_back();
    }
  }
  Images.push_back(std::move(page));
  if (Images.size() > PagesKeptInMemory) Images[Images.size() - 1 - PagesKeptInMemory] = QImage();
}
