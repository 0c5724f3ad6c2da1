// Key and mouse tracking in the browser, behind GetAsyncKeyState and the cursor calls. Private to
// platform/web/.
#pragma once

// Starts listening to the page's keyboard and the canvas's mouse (once).
void StartWebInput();
