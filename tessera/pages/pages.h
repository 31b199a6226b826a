// The eight pages of the main window, in tab order: summary, extensions,
// display modes, pixel formats, report, rendering tests, driver switches and
// the database browser.
#ifndef TESSERA_PAGES_PAGES_H
#define TESSERA_PAGES_PAGES_H

#include "pages/browser_tab.h"
#include "pages/display_list.h"
#include "pages/display_mode.h"
#include "pages/extension_tab.h"
#include "pages/main_tab.h"
#include "pages/report_tab.h"
#include "pages/tab_page.h"
#include "pages/test_tab.h"
#include "pages/tweak_tab.h"

#endif
