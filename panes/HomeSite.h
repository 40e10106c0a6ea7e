#pragma once

#include <QString>

// The publisher's web site: scheme and host (and a port, when one is given),
// no path and no trailing "/". Opened on exit and by "联系主页", and the base
// of the two remote documents the content panes fetch at start-up.
//
// The fixed address lies under the reserved .example domain: the program never
// pulls content from a host nobody here controls. The environment variable
// VANDREL_HOME_SITE replaces it for development, tests and demos; a value that
// is not an http or https address of scheme and host is ignored.
QString HomeSiteUrl();

// The fixed address, before any override.
inline constexpr const char *DefaultHomeSiteUrl = "http://www.vandrel.example";
