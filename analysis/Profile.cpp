#include "analysis/Profile.h"

#include <algorithm>
#include <cmath>

std::vector<double> ColumnProfile(const InkImage& image, int top, int bottom, int left, int right) {
  if (right < 0) right = image.Width;
  top = std::clamp(top, 0, image.Height);
  bottom = std::clamp(bottom, top, image.Height);
  left = std::clamp(left, 0, image.Width);
  right = std::clamp(right, left, image.Width);
  std::vector<double> profile(static_cast<size_t>(right - left), 0.0);
  std::vector<uint32_t> sums(profile.size(), 0);
  for (int y = top; y < bottom; ++y) {
    const uint8_t* row = image.Row(y) + left;
    for (size_t x = 0; x < sums.size(); ++x) sums[x] += row[x];
  }
  for (size_t x = 0; x < sums.size(); ++x) profile[x] = sums[x];
  return profile;
}

std::vector<double> RowProfile(const InkImage& image, int left, int right, int top, int bottom) {
  if (bottom < 0) bottom = image.Height;
  top = std::clamp(top, 0, image.Height);
  bottom = std::clamp(bottom, top, image.Height);
  left = std::clamp(left, 0, image.Width);
  right = std::clamp(right, left, image.Width);
  std::vector<double> profile(static_cast<size_t>(bottom - top), 0.0);
  if (right == left) return profile;
  for (int y = top; y < bottom; ++y) {
    const uint8_t* row = image.Row(y);
    uint32_t sum = 0;
    for (int x = left; x < right; ++x) sum += row[x];
    profile[static_cast<size_t>(y - top)] = static_cast<double>(sum) / (right - left);
  }
  return profile;
}

std::vector<int> Peaks(const std::vector<double>& profile, double lowest, double spacing) {
  std::vector<int> candidates;
  const int size = static_cast<int>(profile.size());
  for (int i = 0; i < size; ++i) {
    const double value = profile[static_cast<size_t>(i)];
    if (value < lowest) continue;
    const bool aboveLeft = i == 0 || value > profile[static_cast<size_t>(i - 1)];
    const bool notBelowRight = i + 1 == size || value >= profile[static_cast<size_t>(i + 1)];
    if (aboveLeft && notBelowRight) candidates.push_back(i);
  }
  // Highest first; a peak closer than `spacing` to a higher one is dropped.
  std::sort(candidates.begin(), candidates.end(),
            [&](int a, int b) { return profile[static_cast<size_t>(a)] > profile[static_cast<size_t>(b)]; });
  std::vector<int> kept;
  for (int candidate : candidates) {
    const bool crowded = std::any_of(kept.begin(), kept.end(), [&](int other) { return std::abs(other - candidate) < spacing; });
    if (!crowded) kept.push_back(candidate);
  }
  std::sort(kept.begin(), kept.end());
  return kept;
}

double Centroid(const std::vector<double>& profile, double centre, double half, double floor) {
  for (int pass = 0; pass < 2; ++pass) {
    const int from = std::max(0, static_cast<int>(std::ceil(centre - half)));
    const int to = std::min(static_cast<int>(profile.size()) - 1, static_cast<int>(std::floor(centre + half)));
    double weight = 0;
    double moment = 0;
    for (int i = from; i <= to; ++i) {
      const double above = profile[static_cast<size_t>(i)] - floor;
      if (above <= 0) continue;
      weight += above;
      moment += above * i;
    }
    if (weight <= 0) return -1;
    centre = moment / weight;
  }
  return centre;
}

double ValueAt(const std::vector<double>& profile, double index) {
  if (index < 0 || index > static_cast<double>(profile.size()) - 1) return 0;
  const size_t lower = static_cast<size_t>(index);
  const double fraction = index - static_cast<double>(lower);
  const double next = lower + 1 < profile.size() ? profile[lower + 1] : profile[lower];
  return profile[lower] * (1 - fraction) + next * fraction;
}

double MeanOver(const std::vector<double>& profile, double from, double to) {
  constexpr int Steps = 16;
  double sum = 0;
  for (int step = 0; step < Steps; ++step) sum += ValueAt(profile, from + (to - from) * (step + 0.5) / Steps);
  return sum / Steps;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  const size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(middle), values.end());
  return values[middle];
}

namespace {

// The least (or greatest) value within `half` of each index.
template <typename Pick>
std::vector<double> Slide(const std::vector<double>& profile, int half, Pick pick) {
  const int size = static_cast<int>(profile.size());
  std::vector<double> result(profile.size());
  for (int i = 0; i < size; ++i) {
    double value = profile[static_cast<size_t>(i)];
    for (int j = std::max(0, i - half); j <= std::min(size - 1, i + half); ++j) value = pick(value, profile[static_cast<size_t>(j)]);
    result[static_cast<size_t>(i)] = value;
  }
  return result;
}

}  // namespace

std::vector<double> TopHat(const std::vector<double>& profile, int half) {
  const auto least = [](double a, double b) { return std::min(a, b); };
  const auto greatest = [](double a, double b) { return std::max(a, b); };
  const std::vector<double> opening = Slide(Slide(profile, half, least), half, greatest);
  std::vector<double> result(profile.size());
  for (size_t i = 0; i < profile.size(); ++i) result[i] = profile[i] - opening[i];
  return result;
}
