// Sums of ink along rows and columns, and the peaks and centres found in them.
#pragma once

#include "analysis/InkImage.h"

#include <vector>

// Ink summed down each column over rows [top, bottom).
std::vector<double> ColumnProfile(const InkImage& image, int top, int bottom, int left = 0, int right = -1);
// Ink averaged along each row over columns [left, right).
std::vector<double> RowProfile(const InkImage& image, int left, int right, int top = 0, int bottom = -1);

// Indexes of local maxima at least `lowest` high, at least `spacing` apart,
// the higher kept where two are closer; in increasing order of index.
std::vector<int> Peaks(const std::vector<double>& profile, double lowest, double spacing);

// The centre of mass of the profile above `floor` within [centre - half,
// centre + half], taken again about the new centre once more; or a negative
// value when there is nothing above the floor there.
double Centroid(const std::vector<double>& profile, double centre, double half, double floor);

// The value at a fractional index, linear between neighbours (0 outside).
double ValueAt(const std::vector<double>& profile, double index);
// The mean over [from, to), integrating the linear profile in fine steps.
double MeanOver(const std::vector<double>& profile, double from, double to);

double Median(std::vector<double> values);

// A straight line y = Intercept + Slope * x fitted by least squares, point by point.
class LineFit {
public:
  void Add(double x, double y) {
    Count += 1;
    SumX += x;
    SumY += y;
    SumXX += x * x;
    SumXY += x * y;
  }
  // False with fewer than two distinct x.
  bool Fits() const { return Count >= 2 && Count * SumXX - SumX * SumX > 0; }
  double Slope() const { return Fits() ? (Count * SumXY - SumX * SumY) / (Count * SumXX - SumX * SumX) : 0; }
  double Intercept() const { return Count > 0 ? (SumY - Slope() * SumX) / Count : 0; }

private:
  double Count = 0, SumX = 0, SumY = 0, SumXX = 0, SumXY = 0;
};

// The profile less its opening over `half` either side: narrow peaks stay,
// anything broader than 2 * half + 1 becomes its floor.
std::vector<double> TopHat(const std::vector<double>& profile, int half);
