#pragma once

// A click belongs to what the person clicked. When a control hides, moves or is covered under the
// pointer as it answers a click, the rest of that gesture (the second press of a double click)
// and any click before the pointer moves again would land on whatever now lies there: a row, a
// page, the next control. The shield lets such a press, its double click and its release reach
// nothing; it only ever holds presses at the very spot of the last one, and once the pointer has
// moved every press goes where it lands.
//
// One application-wide event filter over the windows' mouse events, installed once by
// kx_installClickShield() (later calls do nothing). Main thread only.
void kx_installClickShield();
