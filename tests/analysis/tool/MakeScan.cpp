// Makes a scan of a page the virtual printer rendered, for trying the page analysis by hand:
//   arvana-make-scan PAGE.png OUT.{png,jpg} [--dpi N] [--rotate DEG] [--blur SIGMA] [--noise SIGMA]
//                    [--jpeg QUALITY] [--paper RRGGBB] [--lid INCHES] [--seed N]
#include "tests/analysis/tool/ScanDegrader.h"

#include <QFile>
#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s PAGE.png OUT [--dpi N] [--rotate DEG] [--blur SIGMA] [--noise SIGMA] [--jpeg Q] [--paper RRGGBB] [--lid INCHES] [--seed N]\n", argv[0]);
    return 2;
  }
  ScanDegradation degradation;
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    const char* value = argv[i + 1];
    if (option == "--dpi") degradation.PixelsPerInch = std::atof(value);
    else if (option == "--rotate") degradation.RotationDegrees = std::atof(value);
    else if (option == "--blur") degradation.BlurSigma = std::atof(value);
    else if (option == "--noise") degradation.NoiseSigma = std::atof(value);
    else if (option == "--jpeg") degradation.JpegQuality = std::atoi(value);
    else if (option == "--paper") degradation.Paper = static_cast<uint32_t>(std::strtoul(value, nullptr, 16));
    else if (option == "--lid") degradation.LidInches = std::atof(value);
    else if (option == "--seed") degradation.Seed = std::strtoull(value, nullptr, 10);
    else {
      std::fprintf(stderr, "unknown option %s\n", option.c_str());
      return 2;
    }
  }
  const QImage page(argv[1]);
  if (page.isNull()) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  QFile out(argv[2]);
  if (!out.open(QIODevice::WriteOnly) || out.write(ScanFileBytes(DegradedScan(page, degradation), degradation)) < 0) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
