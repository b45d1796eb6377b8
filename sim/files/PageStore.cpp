// Printed pages of the virtual printer: numbered PNG files, written fast, and the latest pages in memory.
#include "sim/files/PageStore.h"
#include "platform/ShownText.h"

#include "sim/files/PagePng.h"
#include "sim/engine/PageReduction.h"
#include "sim/engine/PageRenderer.h"

#include <QString>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

namespace {

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
    MessageList.push_back("cannot create " + ShownText(Directory) + " (" + error.message() + "): pages are kept in memory only.");
    Directory.clear();
    return;
  }
  std::vector<std::pair<int, std::string>> existing;
  for (const auto& entry : std::filesystem::directory_iterator(Directory, error)) {
    const int number = PageNumber(entry.path().filename().string(), Prefix);
    if (number > 0) existing.emplace_back(number, entry.path().string());
  }
  std::sort(existing.begin(), existing.end());
  if (numbering == Numbering::ContinueAfterExisting && !existing.empty()) Next = existing.back().first + 1;
  std::vector<std::string> paths;
  for (const auto& entry : existing) paths.push_back(entry.second);
  PageFiles.Existing(std::move(paths));
}

std::string PageStore::ReducedCopyPath(const std::string& pagePath) {
  const std::filesystem::path page(pagePath);
  return (page.parent_path() / "reduced" / page.filename()).string();
}

void PageStore::WriteReducedCopy(const QImage& page, const std::vector<uint8_t>& drawnRows, const std::string& name) {
  const std::filesystem::path folder = std::filesystem::path(Directory) / "reduced";
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  const std::string path = (folder / name).string();
  const QImage reduced = ReducedPage(page, ReducedScale, drawnRows.empty() ? nullptr : &drawnRows);
  if (error || reduced.isNull() || !reduced.save(QString::fromStdString(path), "png"))
    MessageList.push_back("cannot write the reduced copy " + path + ".");
}

void PageStore::Add(QImage page, std::vector<uint8_t> drawnRows) {
  const int number = Next++;
  if (!Directory.empty()) {
    char name[32];
    std::snprintf(name, sizeof name, "%04d.png", number);
    const std::string path = (std::filesystem::path(Directory) / (Prefix + name)).string();
    std::string reason;
    if (PagePng::Write(page, drawnRows.empty() ? nullptr : &drawnRows, path, reason)) {
      FileList.push_back(path);
      if (ReducedScale > 0) WriteReducedCopy(page, drawnRows, Prefix + name);
      PageFiles.Written(path, &ReducedCopyPath);
    } else {
      MessageList.push_back(reason + ".");
      FileList.emplace_back();
    }
  }
  Images.push_back(std::move(page));
  DrawnRows.push_back(std::move(drawnRows));
  if (Images.size() > PagesKeptInMemory) ReleaseOldPage(Images.size() - 1 - PagesKeptInMemory);
}

QImage PageStore::TakeSpareSheet() { return std::exchange(Spare, QImage()); }

void PageStore::ReleaseOldPage(size_t index) {
  QImage page = std::exchange(Images[index], QImage());
  std::vector<uint8_t> drawn = std::exchange(DrawnRows[index], {});
  // Its memory serves the next sheet, unless someone still holds the image.
  if (!drawn.empty() && page.isDetached()) {
    PageRenderer::ClearDrawnRows(page, drawn);
    Spare = std::move(page);
  }
}
