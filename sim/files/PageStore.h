// Keeps the pages the virtual printer has printed: the latest in memory, each as a numbered PNG file.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "sim/files/FileCap.h"

class PageStore {
public:
  // A page image is 13 MB; older pages give their memory back (their entry in
  // Pages() becomes a null image, the file stays).
  static constexpr size_t PagesKeptInMemory = 8;
  // A folder keeps at most this many page files: beyond it the oldest page
  // file of the folder is removed (a stream of form feeds must not fill the disk).
  static constexpr size_t MaxPageFiles = 500;

  enum class Numbering {
    ContinueAfterExisting,  // after the highest <prefix>NNNN.png already in the directory
    FromOne,                // from 1, replacing files of the same name
  };

  // `directory` empty keeps pages in memory only. Otherwise it is created
  // when missing; trouble with it is reported in Messages() and the pages are
  // then kept in memory only. Files are named <prefix>NNNN.png.
  explicit PageStore(std::string directory, std::string prefix = "",
                     Numbering numbering = Numbering::ContinueAfterExisting);

  // From now on each page file gets a copy reduced to `scale` (see
  // ReducedPage) in the folder reduced/ beside it; 0 stops that.
  void SetReducedCopies(double scale) { ReducedScale = scale; }

  // Where the removal of old page files is reported (standard error unless set).
  void SetReport(std::ostream& report) { PageFiles.SetReport(report); }

  // Keeps a finished page and writes its file. `drawnRows` (see
  // PageRenderer::TakeDrawnRows) makes writing a nearly blank page cheap;
  // empty, every row is taken as drawn on. A file that cannot be written is
  // reported in Messages() and leaves an empty entry in Files().
  void Add(QImage page, std::vector<uint8_t> drawnRows = {});
  // The memory of a page that has left memory, blank again, for the next
  // sheet; a null image when there is none.
  QImage TakeSpareSheet();

  // The number the next page gets (the first page is 1 without a directory).
  int NextNumber() const { return Next; }
  // Every page of this run, oldest first (see PagesKeptInMemory).
  const std::vector<QImage>& Pages() const { return Images; }
  // Which rows of page `index` were drawn on, while it is in memory (see
  // PageRenderer::TakeDrawnRows); empty when not known.
  const std::vector<uint8_t>& DrawnRowsOf(size_t index) const { return DrawnRows.at(index); }
  // Paths of the files written, in the order of Pages() (empty without a
  // directory); the oldest may have been removed since (see MaxPageFiles).
  const std::vector<std::string>& Files() const { return FileList; }
  const std::vector<std::string>& Messages() const { return MessageList; }

private:
  void WriteReducedCopy(const QImage& page, const std::vector<uint8_t>& drawnRows, const std::string& name);
  static std::string ReducedCopyPath(const std::string& pagePath);
  void ReleaseOldPage(size_t index);

  std::string Directory;
  std::string Prefix;
  int Next = 1;
  double ReducedScale = 0;
  std::vector<QImage> Images;
  std::vector<std::vector<uint8_t>> DrawnRows;  // beside Images, while the page is in memory
  QImage Spare;
  FileCap PageFiles{MaxPageFiles, "pages"};
  std::vector<std::string> FileList;
  std::vector<std::string> MessageList;
};
