// The panel resource (Pavimo.uir) read without Qt, for the panel run-time's
// front: the subset of the Qt Designer file the resource uses, as a flat
// list of nodes in the file's order. Plain C++; no Qt, no Windows header, so
// the Linux tests read the real file with it.
#ifndef UIR_READER_H
#define UIR_READER_H

#include <stddef.h>
#include <stdint.h>

#define UIR_NODE_MAX 256          // widgets, actions and items of one file
#define UIR_PROP_MAX 16           // properties kept per node
#define UIR_NAME_SIZE 48          // class, object and property names
#define UIR_VALUE_SIZE 320        // a property's value as text (longer is cut)

// A property's value as text:
//   <string>, <number>, <enum>, <set>: the element's text, entities decoded
//     ("&amp;File" gives "&File": the mnemonic marker is kept);
//   <bool>: "true" or "false";
//   <rect>: "x y width height";
//   <font>: "family|pointsize|bold" (bold "1" or "0"; absent parts empty);
//   <iconset theme="t"/>: "t".
struct stUirProp {
    char cName[UIR_NAME_SIZE];
    char cValue[UIR_VALUE_SIZE];
};

enum { UIR_NODE_WIDGET = 1, UIR_NODE_ACTION = 2, UIR_NODE_ITEM = 3, UIR_NODE_ADDACTION = 4 };

// A <widget class= name=>, an <action name=>, a combo box's <item> or a
// menu's <addaction name=> (in the menu's order), with the node that holds
// it (-1 for the file's top widget).
struct stUirNode {
    int32_t s32Kind;
    char cClass[UIR_NAME_SIZE];   // widgets only ("QPushButton"), else ""
    char cName[UIR_NAME_SIZE];    // "" for items
    int32_t s32Parent;
    stUirProp stProps[UIR_PROP_MAX];
    int32_t s32PropCount;
};

struct stUirFile {
    stUirNode stNodes[UIR_NODE_MAX];
    int32_t s32NodeCount;
};

// Reads the file's text into *pstFile: true, or false with why (the line
// and what was expected against what was found) for a file it cannot read:
// not well formed, more nodes or properties than it keeps, an element of
// the subset out of place. Elements outside the subset (<class>,
// <resources>, <connections>, ...) are skipped whole.
bool bUirParse(const char *pcText, size_t length, stUirFile *pstFile, char *pcWhy, size_t whySize);

// The value of the node's property, or null when it has none.
const char *pcUirProp(const stUirNode *pstNode, const char *pcName);
// The property as a number (0 when absent or not a number) and as a flag
// (true for "true").
int32_t s32UirPropNumber(const stUirNode *pstNode, const char *pcName);
bool bUirPropTrue(const stUirNode *pstNode, const char *pcName);
// The "geometry" rectangle; false when the node has none.
bool bUirPropRect(const stUirNode *pstNode, int32_t *ps32X, int32_t *ps32Y, int32_t *ps32Width,
                  int32_t *ps32Height);

#endif
