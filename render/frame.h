// One frame: modes to device states, clear, camera, status text, transforms, the box, present.
#pragma once

void draw_frame();
