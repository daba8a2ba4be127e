#pragma once

namespace rennik::bench {

// `rennik1-bench --chart [LAPS]`: the lap chart of a long race (5,000 laps unless told: six
// drivers in stints of 40 laps, a pit lap at each change), drawn offscreen. Prints the time of
// the first drawing, of the drawing after each of the last 100 laps and after a corrected time,
// each as the crew waits for it: the series brought in line and the window painted.
int runChartBench(int laps);

}  // namespace rennik::bench
