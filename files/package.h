// The package file: header with checksums and up to eight port images.
#ifndef PACKAGE_H
#define PACKAGE_H

// Package type codes (bit values).
#define PKG_TYPE_VGA 1
#define PKG_TYPE_DVI 2
#define PKG_TYPE_HDMI 4
#define PKG_TYPE_OTHER 8

#endif
