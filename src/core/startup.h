#pragma once

#include "core/host.h"

// Start-up and shutdown of the program: the start-up screen, the opening of the main screen
// and the end button.
namespace rennik {

// The start-up screen's load: screen size (twips) in, settings read, file paths set, the
// three-second timer armed. The binding fills in the screen's own size before calling it.
void Mf_Open_Load(Host& host, int screenWTwips, int screenHTwips);

// The start-up screen's one-shot timer: the start-up screen goes, the main screen opens and
// loads, and the settings panel takes its sizes.
void Timer1_Timer(Host& host);

// The main screen's load: master lists, captions, grid headers, today's date, the host's own
// address and the address-check socket. The binding fills in the window's own size first.
void Main_Load(Host& host);

// The end button: after confirmation the program ends at once, saving nothing.
void Btn_End_Click(Host& host);

}  // namespace rennik
