// The playback loop's speed steps, apart from the loop so that their sequences can be checked:
// each press divides or multiplies the frame duration by 1.4 while it is above 10 ms or below
// 500 ms (the test comes first, so a step may end past the limit).
#pragma once

float playback_faster(float frame_ms);
float playback_slower(float frame_ms);
