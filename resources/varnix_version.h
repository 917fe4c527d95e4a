// The launcher's version, maker and product name, stated once: a new version
// is one edit here. The resource script takes both the version numbers and
// their text form from here, so the two cannot disagree, and the image checks
// and the release read it too. Plain preprocessor only, one value a line:
// the resource compiler reads this as well.
#ifndef VARNIX_RESOURCES_VARNIX_VERSION_H_
#define VARNIX_RESOURCES_VARNIX_VERSION_H_

#define VARNIX_VERSION_MAJOR 1
#define VARNIX_VERSION_MINOR 0
#define VARNIX_VERSION_PATCH 0
#define VARNIX_VERSION_BUILD 1

#define VARNIX_MAKER "Brindlecast Studio"
#define VARNIX_PRODUCT "Varnix"

// The four numbers, comma-separated, as the fixed version fields take them.
#define VARNIX_VERSION_NUMBERS                                      \
  VARNIX_VERSION_MAJOR, VARNIX_VERSION_MINOR, VARNIX_VERSION_PATCH, \
      VARNIX_VERSION_BUILD

// The same numbers as text with a comma and a blank between them: "1, 0, 0, 1".
#define VARNIX_VERSION_TEXT VARNIX_VERSION_TEXT_OF(VARNIX_VERSION_NUMBERS)
#define VARNIX_VERSION_TEXT_OF(...) VARNIX_VERSION_TEXT_(__VA_ARGS__)
#define VARNIX_VERSION_TEXT_(a, b, c, d) #a ", " #b ", " #c ", " #d

#endif  // VARNIX_RESOURCES_VARNIX_VERSION_H_
