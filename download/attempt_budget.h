#pragma once
// The attempt budget of the libcurl downloaders: 12 points; a failed attempt costs 2, or 1 when it
// ended with libcurl's partial-file result (18), so transfers that keep being cut short get more
// attempts than transfers that fail outright.

class AttemptBudget {
 public:
  static constexpr int kPoints = 12;

  void Charge(int result) { points_ -= result == kPartialFile ? 1 : 2; }
  int Remaining() const { return points_; }

 private:
  static constexpr int kPartialFile = 18;  // CURLE_PARTIAL_FILE
  int points_ = kPoints;
};
