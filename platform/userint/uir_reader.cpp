// The panel resource read without Qt: a small XML reader for the subset of
// the Qt Designer file the resource uses. The reader checks that elements
// nest, attributes are quoted and entities are known; the rest only keeps
// the nodes and properties the Win32 run-time builds its windows from.
#include "uir_reader.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

#define UIR_DEPTH_MAX 64
#define UIR_ATTR_MAX 8
#define UIR_FOUND_SIZE 96

struct stUirSlice {
    const char *pc;
    size_t len;
};

enum { UIR_TOKEN_START, UIR_TOKEN_END, UIR_TOKEN_TEXT, UIR_TOKEN_EOF };

struct stUirAttr {
    stUirSlice stName;
    stUirSlice stValue;   // as written, entities not decoded
    size_t pos;
};

// A start tag, an end tag (stName), a text (stName holds the text) or the end.
struct stUirToken {
    int32_t s32Kind;
    size_t pos;
    stUirSlice stName;
    stUirAttr stAttrs[UIR_ATTR_MAX];
    int32_t s32AttrCount;
    bool bEmpty;
};

struct stUirParser {
    const char *pcText;
    size_t length;
    size_t pos;
    stUirSlice stOpen[UIR_DEPTH_MAX];   // the elements open, innermost last
    int32_t s32Depth;
    stUirFile *pstFile;
    char *pcWhy;
    size_t whySize;
};

// A bounded text being written: what does not fit is dropped, and the cut
// falls between whole UTF-8 characters.
struct stUirOut {
    char *pc;
    size_t size;
    size_t len;
    bool bCut;
};

// ---- errors ---------------------------------------------------------------

bool bFail(stUirParser *pstParser, size_t pos, const char *pcExpected, const char *pcFound)
{
    int32_t s32Line = 1;
    for (size_t index = 0; index < pos && index < pstParser->length; index++)
        if (pstParser->pcText[index] == '\n')
            s32Line++;
    if (pstParser->pcWhy && pstParser->whySize > 0)
        snprintf(pstParser->pcWhy, pstParser->whySize, "line %d: expected %s, found %s", (int)s32Line,
                 pcExpected, pcFound);
    return false;
}

// What lies at pos, for an error: one character or the end of the file.
const char *pcFoundAt(const stUirParser *pstParser, size_t pos, char *pcFound)
{
    if (pos >= pstParser->length)
        return "the end of the file";
    unsigned char u8Char = (unsigned char)pstParser->pcText[pos];
    if (u8Char == '\n')
        return "a line end";
    if (u8Char > ' ' && u8Char < 0x7F)
        snprintf(pcFound, UIR_FOUND_SIZE, "'%c'", u8Char);
    else
        snprintf(pcFound, UIR_FOUND_SIZE, "byte 0x%02X", u8Char);
    return pcFound;
}

bool bFailAt(stUirParser *pstParser, size_t pos, const char *pcExpected)
{
    char cFound[UIR_FOUND_SIZE];
    return bFail(pstParser, pos, pcExpected, pcFoundAt(pstParser, pos, cFound));
}

// A tag as written ("<widget>", "</widget>"), for an error.
const char *pcTagText(const stUirSlice *pstName, bool bEnd, char *pcOut)
{
    snprintf(pcOut, UIR_FOUND_SIZE, "<%s%.*s>", bEnd ? "/" : "", (int)(pstName->len > 40 ? 40 : pstName->len),
             pstName->pc);
    return pcOut;
}

// ---- characters and entities ----------------------------------------------

bool bIsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool bIsNameChar(char c, bool bFirst)
{
    unsigned char u8Char = (unsigned char)c;
    if ((u8Char >= 'a' && u8Char <= 'z') || (u8Char >= 'A' && u8Char <= 'Z') || u8Char == '_' ||
        u8Char == ':' || u8Char >= 0x80)
        return true;
    return !bFirst && ((u8Char >= '0' && u8Char <= '9') || u8Char == '-' || u8Char == '.');
}

size_t szNameLength(const stUirParser *pstParser, size_t pos)
{
    size_t end = pos;
    while (end < pstParser->length && bIsNameChar(pstParser->pcText[end], end == pos))
        end++;
    return end - pos;
}

bool bSliceIs(const stUirSlice *pstSlice, const char *pcText)
{
    return strlen(pcText) == pstSlice->len && memcmp(pstSlice->pc, pcText, pstSlice->len) == 0;
}

bool bSliceEqual(const stUirSlice *pstA, const stUirSlice *pstB)
{
    return pstA->len == pstB->len && memcmp(pstA->pc, pstB->pc, pstA->len) == 0;
}

// The character a reference at pc ("&amp;", "&#233;", "&#x4E2D;") stands for,
// and the bytes it takes; 0 when it is no reference the reader knows.
size_t szReference(const char *pc, size_t length, uint32_t *pu32Char)
{
    static const struct { const char *pcName; char c; } gstNamed[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    for (size_t index = 0; index < sizeof(gstNamed) / sizeof(gstNamed[0]); index++) {
        size_t len = strlen(gstNamed[index].pcName);
        if (length >= len && memcmp(pc, gstNamed[index].pcName, len) == 0) {
            *pu32Char = (unsigned char)gstNamed[index].c;
            return len;
        }
    }
    if (length < 4 || pc[1] != '#')
        return 0;
    bool bHex = pc[2] == 'x';
    size_t pos = bHex ? 3 : 2;
    uint32_t u32Char = 0;
    size_t digits = 0;
    for (; pos < length && pc[pos] != ';' && digits < 8; pos++, digits++) {
        char c = pc[pos];
        int32_t s32Digit = (c >= '0' && c <= '9') ? c - '0'
                           : (bHex && c >= 'a' && c <= 'f') ? c - 'a' + 10
                           : (bHex && c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
        if (s32Digit < 0)
            return 0;
        u32Char = u32Char * (bHex ? 16 : 10) + (uint32_t)s32Digit;
    }
    if (digits == 0 || pos >= length || pc[pos] != ';' || u32Char == 0 || u32Char > 0x10FFFF ||
        (u32Char >= 0xD800 && u32Char <= 0xDFFF))
        return 0;
    *pu32Char = u32Char;
    return pos + 1;
}

// Checks the references and bytes of a text or an attribute's value.
bool bCheckText(stUirParser *pstParser, size_t pos, size_t length)
{
    for (size_t index = pos; index < pos + length; index++) {
        const char *pc = pstParser->pcText + index;
        uint32_t u32Char;
        if (*pc == '\0')
            return bFail(pstParser, index, "text", "a NUL byte");
        if (*pc == '&' && szReference(pc, pos + length - index, &u32Char) == 0) {
            char cFound[UIR_FOUND_SIZE];
            size_t len = 1;
            while (len < 12 && index + len < pos + length && pc[len - 1] != ';' &&
                   !bIsSpace(pc[len]))
                len++;
            snprintf(cFound, sizeof(cFound), "'%.*s'", (int)len, pc);
            return bFail(pstParser, index, "&amp;, &lt;, &gt;, &quot;, &apos; or &#number;", cFound);
        }
    }
    return true;
}

// ---- bounded output -------------------------------------------------------

void vOutStart(stUirOut *pstOut, char *pc, size_t size)
{
    pstOut->pc = pc;
    pstOut->size = size;
    pstOut->len = 0;
    pstOut->bCut = false;
    pc[0] = '\0';
}

// Drops the start of a UTF-8 character the cut left at the end.
void vOutTrimCut(stUirOut *pstOut)
{
    size_t start = pstOut->len;
    while (start > 0 && pstOut->len - start < 3 && ((unsigned char)pstOut->pc[start - 1] & 0xC0) == 0x80)
        start--;
    if (start == 0 || (unsigned char)pstOut->pc[start - 1] < 0xC0)
        return;
    unsigned char u8Lead = (unsigned char)pstOut->pc[start - 1];
    size_t need = u8Lead >= 0xF0 ? 4 : u8Lead >= 0xE0 ? 3 : 2;
    if (pstOut->len - (start - 1) < need) {
        pstOut->len = start - 1;
        pstOut->pc[pstOut->len] = '\0';
    }
}

void vOutByte(stUirOut *pstOut, char c)
{
    if (pstOut->bCut)
        return;
    if (pstOut->len + 1 >= pstOut->size) {
        pstOut->bCut = true;
        vOutTrimCut(pstOut);
        return;
    }
    pstOut->pc[pstOut->len++] = c;
    pstOut->pc[pstOut->len] = '\0';
}

void vOutText(stUirOut *pstOut, const char *pcText)
{
    for (; *pcText != '\0'; pcText++)
        vOutByte(pstOut, *pcText);
}

void vOutChar(stUirOut *pstOut, uint32_t u32Char)
{
    if (u32Char < 0x80) {
        vOutByte(pstOut, (char)u32Char);
    } else if (u32Char < 0x800) {
        vOutByte(pstOut, (char)(0xC0 | (u32Char >> 6)));
        vOutByte(pstOut, (char)(0x80 | (u32Char & 0x3F)));
    } else if (u32Char < 0x10000) {
        vOutByte(pstOut, (char)(0xE0 | (u32Char >> 12)));
        vOutByte(pstOut, (char)(0x80 | ((u32Char >> 6) & 0x3F)));
        vOutByte(pstOut, (char)(0x80 | (u32Char & 0x3F)));
    } else {
        vOutByte(pstOut, (char)(0xF0 | (u32Char >> 18)));
        vOutByte(pstOut, (char)(0x80 | ((u32Char >> 12) & 0x3F)));
        vOutByte(pstOut, (char)(0x80 | ((u32Char >> 6) & 0x3F)));
        vOutByte(pstOut, (char)(0x80 | (u32Char & 0x3F)));
    }
}

// Appends a checked text with its references decoded and its line ends made
// "\n"; in an attribute's value a line end or tab is a space, as XML says.
void vOutDecoded(stUirOut *pstOut, const stUirSlice *pstText, bool bAttribute)
{
    for (size_t index = 0; index < pstText->len; index++) {
        const char *pc = pstText->pc + index;
        uint32_t u32Char = (unsigned char)*pc;
        if (*pc == '&') {
            index += szReference(pc, pstText->len - index, &u32Char) - 1;
            vOutChar(pstOut, u32Char);
            continue;
        }
        if (*pc == '\r') {
            if (index + 1 < pstText->len && pc[1] == '\n')
                continue;
            u32Char = '\n';
        }
        if (bAttribute && (u32Char == '\n' || u32Char == '\t'))
            u32Char = ' ';
        vOutByte(pstOut, (char)u32Char);
    }
}

void vOutTrim(stUirOut *pstOut)
{
    size_t start = 0;
    while (start < pstOut->len && bIsSpace(pstOut->pc[start]))
        start++;
    while (pstOut->len > start && bIsSpace(pstOut->pc[pstOut->len - 1]))
        pstOut->len--;
    memmove(pstOut->pc, pstOut->pc + start, pstOut->len - start);
    pstOut->len -= start;
    pstOut->pc[pstOut->len] = '\0';
}

// ---- tokens ---------------------------------------------------------------

size_t szFind(const stUirParser *pstParser, size_t from, const char *pcNeedle)
{
    size_t len = strlen(pcNeedle);
    for (size_t pos = from; pos + len <= pstParser->length; pos++)
        if (memcmp(pstParser->pcText + pos, pcNeedle, len) == 0)
            return pos;
    return pstParser->length;
}

bool bStartsWith(const stUirParser *pstParser, const char *pcText)
{
    size_t len = strlen(pcText);
    return pstParser->pos + len <= pstParser->length &&
           memcmp(pstParser->pcText + pstParser->pos, pcText, len) == 0;
}

// Skips a comment or a processing instruction (the <?xml ...?> declaration).
bool bSkipMarkup(stUirParser *pstParser, const char *pcOpen, const char *pcClose)
{
    size_t end = szFind(pstParser, pstParser->pos + strlen(pcOpen), pcClose);
    if (end >= pstParser->length)
        return bFail(pstParser, pstParser->length, pcClose, "the end of the file");
    pstParser->pos = end + strlen(pcClose);
    return true;
}

bool bSkipSpace(stUirParser *pstParser)
{
    size_t start = pstParser->pos;
    while (pstParser->pos < pstParser->length && bIsSpace(pstParser->pcText[pstParser->pos]))
        pstParser->pos++;
    return pstParser->pos > start;
}

bool bExpectChar(stUirParser *pstParser, char c, const char *pcExpected)
{
    if (pstParser->pos >= pstParser->length || pstParser->pcText[pstParser->pos] != c)
        return bFailAt(pstParser, pstParser->pos, pcExpected);
    pstParser->pos++;
    return true;
}

// name="value", after the element's name.
bool bReadAttribute(stUirParser *pstParser, stUirToken *pstToken)
{
    size_t namePos = pstParser->pos;
    size_t nameLen = szNameLength(pstParser, namePos);
    if (nameLen == 0)
        return bFailAt(pstParser, namePos, "an attribute, > or />");
    pstParser->pos += nameLen;
    bSkipSpace(pstParser);
    if (!bExpectChar(pstParser, '=', "="))
        return false;
    bSkipSpace(pstParser);
    if (!bExpectChar(pstParser, '"', "a value in double quotes"))
        return false;
    size_t valuePos = pstParser->pos;
    while (pstParser->pos < pstParser->length && pstParser->pcText[pstParser->pos] != '"' &&
           pstParser->pcText[pstParser->pos] != '<')
        pstParser->pos++;
    if (pstParser->pos >= pstParser->length || pstParser->pcText[pstParser->pos] != '"')
        return bFailAt(pstParser, pstParser->pos, "the closing \" of the value");
    if (!bCheckText(pstParser, valuePos, pstParser->pos - valuePos))
        return false;
    if (pstToken->s32AttrCount < UIR_ATTR_MAX) {
        stUirAttr *pstAttr = &pstToken->stAttrs[pstToken->s32AttrCount++];
        pstAttr->stName.pc = pstParser->pcText + namePos;
        pstAttr->stName.len = nameLen;
        pstAttr->stValue.pc = pstParser->pcText + valuePos;
        pstAttr->stValue.len = pstParser->pos - valuePos;
        pstAttr->pos = namePos;
    }
    pstParser->pos++;
    return true;
}

bool bOpenElement(stUirParser *pstParser, const stUirToken *pstToken)
{
    if (pstParser->s32Depth == UIR_DEPTH_MAX)
        return bFail(pstParser, pstToken->pos, "at most 64 elements one inside another", "more");
    pstParser->stOpen[pstParser->s32Depth++] = pstToken->stName;
    return true;
}

// <name attributes> or <name attributes/>, from its '<'.
bool bReadStartTag(stUirParser *pstParser, stUirToken *pstToken)
{
    pstParser->pos++;
    pstToken->s32Kind = UIR_TOKEN_START;
    pstToken->stName.pc = pstParser->pcText + pstParser->pos;
    pstToken->stName.len = szNameLength(pstParser, pstParser->pos);
    if (pstToken->stName.len == 0)
        return bFailAt(pstParser, pstParser->pos, "an element name");
    pstParser->pos += pstToken->stName.len;
    for (;;) {
        bool bSpace = bSkipSpace(pstParser);
        if (bStartsWith(pstParser, "/>")) {
            pstParser->pos += 2;
            pstToken->bEmpty = true;
            return true;
        }
        if (bStartsWith(pstParser, ">")) {
            pstParser->pos++;
            return bOpenElement(pstParser, pstToken);
        }
        if (!bSpace)
            return bFailAt(pstParser, pstParser->pos, "a space, > or />");
        if (!bReadAttribute(pstParser, pstToken))
            return false;
    }
}

// </name>, from its '<'; it must close the innermost element open.
bool bReadEndTag(stUirParser *pstParser, stUirToken *pstToken)
{
    char cExpected[UIR_FOUND_SIZE], cFound[UIR_FOUND_SIZE];
    pstParser->pos += 2;
    pstToken->s32Kind = UIR_TOKEN_END;
    pstToken->stName.pc = pstParser->pcText + pstParser->pos;
    pstToken->stName.len = szNameLength(pstParser, pstParser->pos);
    if (pstToken->stName.len == 0)
        return bFailAt(pstParser, pstParser->pos, "an element name");
    pstParser->pos += pstToken->stName.len;
    bSkipSpace(pstParser);
    if (!bExpectChar(pstParser, '>', ">"))
        return false;
    if (pstParser->s32Depth == 0)
        return bFail(pstParser, pstToken->pos, "an element", pcTagText(&pstToken->stName, true, cFound));
    const stUirSlice *pstOpen = &pstParser->stOpen[pstParser->s32Depth - 1];
    if (!bSliceEqual(pstOpen, &pstToken->stName))
        return bFail(pstParser, pstToken->pos, pcTagText(pstOpen, true, cExpected),
                     pcTagText(&pstToken->stName, true, cFound));
    pstParser->s32Depth--;
    return true;
}

bool bReadText(stUirParser *pstParser, stUirToken *pstToken)
{
    pstToken->s32Kind = UIR_TOKEN_TEXT;
    pstToken->stName.pc = pstParser->pcText + pstParser->pos;
    while (pstParser->pos < pstParser->length && pstParser->pcText[pstParser->pos] != '<')
        pstParser->pos++;
    pstToken->stName.len = (size_t)(pstParser->pcText + pstParser->pos - pstToken->stName.pc);
    return bCheckText(pstParser, pstToken->pos, pstToken->stName.len);
}

// The next tag, text or the end of the file; comments and processing
// instructions are passed over.
bool bNextToken(stUirParser *pstParser, stUirToken *pstToken)
{
    for (;;) {
        memset(pstToken, 0, sizeof(*pstToken));
        pstToken->pos = pstParser->pos;
        if (pstParser->pos >= pstParser->length) {
            char cExpected[UIR_FOUND_SIZE];
            pstToken->s32Kind = UIR_TOKEN_EOF;
            if (pstParser->s32Depth == 0)
                return true;
            return bFail(pstParser, pstParser->length,
                         pcTagText(&pstParser->stOpen[pstParser->s32Depth - 1], true, cExpected),
                         "the end of the file");
        }
        if (pstParser->pcText[pstParser->pos] != '<')
            return bReadText(pstParser, pstToken);
        if (bStartsWith(pstParser, "<!--")) {
            if (!bSkipMarkup(pstParser, "<!--", "-->"))
                return false;
        } else if (bStartsWith(pstParser, "<?")) {
            if (!bSkipMarkup(pstParser, "<?", "?>"))
                return false;
        } else if (bStartsWith(pstParser, "<!")) {
            return bFail(pstParser, pstParser->pos, "an element or a comment", "'<!'");
        } else if (bStartsWith(pstParser, "</")) {
            return bReadEndTag(pstParser, pstToken);
        } else {
            return bReadStartTag(pstParser, pstToken);
        }
    }
}

bool bTextIsSpace(const stUirToken *pstToken)
{
    for (size_t index = 0; index < pstToken->stName.len; index++)
        if (!bIsSpace(pstToken->stName.pc[index]))
            return false;
    return true;
}

// ---- elements -------------------------------------------------------------

const stUirAttr *pstFindAttr(const stUirToken *pstToken, const char *pcName)
{
    for (int32_t s32Index = 0; s32Index < pstToken->s32AttrCount; s32Index++)
        if (bSliceIs(&pstToken->stAttrs[s32Index].stName, pcName))
            return &pstToken->stAttrs[s32Index];
    return nullptr;
}

// An element read to its end: everything inside is only checked.
bool bSkipElement(stUirParser *pstParser, const stUirToken *pstOpen)
{
    if (pstOpen->bEmpty)
        return true;
    int32_t s32Depth = pstParser->s32Depth;
    stUirToken stToken;
    do {
        if (!bNextToken(pstParser, &stToken))
            return false;
    } while (pstParser->s32Depth >= s32Depth);
    return true;
}

// The text of an element that holds text only (<string>, <x>, ...).
bool bReadTextElement(stUirParser *pstParser, const stUirToken *pstOpen, stUirOut *pstOut)
{
    if (pstOpen->bEmpty)
        return true;
    stUirToken stToken;
    char cExpected[UIR_FOUND_SIZE], cFound[UIR_FOUND_SIZE];
    for (;;) {
        if (!bNextToken(pstParser, &stToken))
            return false;
        if (stToken.s32Kind == UIR_TOKEN_END)
            return true;
        if (stToken.s32Kind == UIR_TOKEN_START)
            return bFail(pstParser, stToken.pos, pcTagText(&pstOpen->stName, true, cExpected),
                         pcTagText(&stToken.stName, false, cFound));
        vOutDecoded(pstOut, &stToken.stName, false);
    }
}

bool bReadTrimmedText(stUirParser *pstParser, const stUirToken *pstOpen, char *pcOut, size_t size)
{
    stUirOut stOut;
    vOutStart(&stOut, pcOut, size);
    if (!bReadTextElement(pstParser, pstOpen, &stOut))
        return false;
    vOutTrim(&stOut);
    return true;
}

bool bReadTrimmed(stUirParser *pstParser, const stUirToken *pstOpen, stUirOut *pstOut)
{
    if (!bReadTextElement(pstParser, pstOpen, pstOut))
        return false;
    vOutTrim(pstOut);
    return true;
}

bool bReadBool(stUirParser *pstParser, const stUirToken *pstOpen, stUirOut *pstOut)
{
    char cFound[UIR_FOUND_SIZE];
    if (!bReadTrimmed(pstParser, pstOpen, pstOut))
        return false;
    if (strcmp(pstOut->pc, "true") == 0 || strcmp(pstOut->pc, "false") == 0)
        return true;
    snprintf(cFound, sizeof(cFound), "'%.40s'", pstOut->pc);
    return bFail(pstParser, pstOpen->pos, "true or false", cFound);
}

// The next child element of pstOpen, its start tag in *pstToken: 1, or 0
// at pstOpen's end (*pstToken its end tag), or -1 when the file could not be
// read (said). Text between the children is passed over.
int32_t s32NextChild(stUirParser *pstParser, const stUirToken *pstOpen, stUirToken *pstToken)
{
    while (!pstOpen->bEmpty) {
        if (!bNextToken(pstParser, pstToken))
            return -1;
        if (pstToken->s32Kind == UIR_TOKEN_END)
            return 0;
        if (pstToken->s32Kind == UIR_TOKEN_START)
            return 1;
    }
    return 0;
}

// <rect><x/><y/><width/><height/></rect> as "x y width height".
bool bReadRect(stUirParser *pstParser, const stUirToken *pstOpen, stUirOut *pstOut)
{
    static const char *const gpcParts[4] = {"x", "y", "width", "height"};
    long lParts[4] = {0, 0, 0, 0};
    bool bSeen[4] = {false, false, false, false};
    stUirToken stToken;
    memset(&stToken, 0, sizeof(stToken));
    char cText[32], cRect[UIR_FOUND_SIZE], cExpected[UIR_FOUND_SIZE];
    int32_t s32Child;
    while ((s32Child = s32NextChild(pstParser, pstOpen, &stToken)) > 0) {
        int32_t s32Part = 0;
        while (s32Part < 4 && !bSliceIs(&stToken.stName, gpcParts[s32Part]))
            s32Part++;
        if (s32Part == 4) {
            if (!bSkipElement(pstParser, &stToken))
                return false;
            continue;
        }
        if (!bReadTrimmedText(pstParser, &stToken, cText, sizeof(cText)))
            return false;
        char *pcEnd = nullptr;
        lParts[s32Part] = strtol(cText, &pcEnd, 10);
        if (cText[0] == '\0' || *pcEnd != '\0') {
            char cFound[UIR_FOUND_SIZE];
            snprintf(cFound, sizeof(cFound), "'%s'", cText);
            return bFail(pstParser, stToken.pos, "a whole number", cFound);
        }
        bSeen[s32Part] = true;
    }
    if (s32Child < 0)
        return false;
    for (int32_t s32Part = 0; s32Part < 4; s32Part++) {
        if (!bSeen[s32Part]) {
            snprintf(cExpected, sizeof(cExpected), "<%s> in <rect>", gpcParts[s32Part]);
            return bFail(pstParser, pstOpen->bEmpty ? pstOpen->pos : stToken.pos, cExpected,
                         pstOpen->bEmpty ? "<rect/>" : "</rect>");
        }
    }
    snprintf(cRect, sizeof(cRect), "%ld %ld %ld %ld", lParts[0], lParts[1], lParts[2], lParts[3]);
    vOutText(pstOut, cRect);
    return true;
}

// <font> as "family|pointsize|bold"; its other parts are not used.
bool bReadFont(stUirParser *pstParser, const stUirToken *pstOpen, stUirOut *pstOut)
{
    char cFamily[UIR_VALUE_SIZE] = "", cPointSize[16] = "", cBold[8] = "";
    stUirToken stToken;
    int32_t s32Child;
    while ((s32Child = s32NextChild(pstParser, pstOpen, &stToken)) > 0) {
        bool bRead = true;
        if (bSliceIs(&stToken.stName, "family")) {
            stUirOut stFamily;
            vOutStart(&stFamily, cFamily, sizeof(cFamily));
            bRead = bReadTextElement(pstParser, &stToken, &stFamily);
        } else if (bSliceIs(&stToken.stName, "pointsize")) {
            bRead = bReadTrimmedText(pstParser, &stToken, cPointSize, sizeof(cPointSize));
        } else if (bSliceIs(&stToken.stName, "bold")) {
            stUirOut stBold;
            vOutStart(&stBold, cBold, sizeof(cBold));
            bRead = bReadBool(pstParser, &stToken, &stBold);
            snprintf(cBold, sizeof(cBold), "%s", strcmp(cBold, "true") == 0 ? "1" : "0");
        } else {
            bRead = bSkipElement(pstParser, &stToken);
        }
        if (!bRead)
            return false;
    }
    if (s32Child < 0)
        return false;
    vOutText(pstOut, cFamily);
    vOutByte(pstOut, '|');
    vOutText(pstOut, cPointSize);
    vOutByte(pstOut, '|');
    vOutText(pstOut, cBold);
    return true;
}

// <iconset theme="name"/> as its theme; its files are not used.
bool bReadIconSet(stUirParser *pstParser, const stUirToken *pstOpen, stUirOut *pstOut)
{
    const stUirAttr *pstTheme = pstFindAttr(pstOpen, "theme");
    if (pstTheme)
        vOutDecoded(pstOut, &pstTheme->stValue, true);
    return bSkipElement(pstParser, pstOpen);
}

typedef bool (*pfReadValue)(stUirParser *pstParser, const stUirToken *pstOpen, stUirOut *pstOut);

struct stUirValueKind {
    const char *pcName;
    pfReadValue pfRead;
};

const stUirValueKind gstValueKinds[] = {
    {"string", bReadTextElement}, {"number", bReadTrimmed}, {"enum", bReadTrimmed}, {"set", bReadTrimmed},
    {"bool", bReadBool},     {"rect", bReadRect},      {"font", bReadFont},    {"iconset", bReadIconSet},
};

const stUirValueKind *pstValueKind(const stUirSlice *pstName)
{
    for (size_t index = 0; index < sizeof(gstValueKinds) / sizeof(gstValueKinds[0]); index++)
        if (bSliceIs(pstName, gstValueKinds[index].pcName))
            return &gstValueKinds[index];
    return nullptr;
}

// An element the reader gives a meaning to: out of place where not expected.
bool bSubsetElement(const stUirSlice *pstName)
{
    static const char *const gpcNames[] = {"ui", "widget", "action", "item", "addaction", "property"};
    for (size_t index = 0; index < sizeof(gpcNames) / sizeof(gpcNames[0]); index++)
        if (bSliceIs(pstName, gpcNames[index]))
            return true;
    return pstValueKind(pstName) != nullptr;
}

bool bFailOutOfPlace(stUirParser *pstParser, const stUirToken *pstToken, const char *pcExpected)
{
    char cFound[UIR_FOUND_SIZE];
    return bFail(pstParser, pstToken->pos, pcExpected, pcTagText(&pstToken->stName, false, cFound));
}

// An attribute's value into a name field; a longer name is refused, not cut.
bool bCopyName(stUirParser *pstParser, const stUirToken *pstToken, const char *pcAttr, char *pcOut)
{
    const stUirAttr *pstAttr = pstFindAttr(pstToken, pcAttr);
    stUirOut stOut;
    vOutStart(&stOut, pcOut, UIR_NAME_SIZE);
    if (!pstAttr)
        return true;
    vOutDecoded(&stOut, &pstAttr->stValue, true);
    if (!stOut.bCut)
        return true;
    char cFound[UIR_FOUND_SIZE];
    snprintf(cFound, sizeof(cFound), "one of %lu bytes", (unsigned long)pstAttr->stValue.len);
    return bFail(pstParser, pstAttr->pos, "a name of at most 47 bytes", cFound);
}

bool bStoreProperty(stUirParser *pstParser, const stUirToken *pstOpen, stUirNode *pstNode, const char *pcName,
                    const char *pcValue)
{
    int32_t s32Index = 0;
    while (s32Index < pstNode->s32PropCount && strcmp(pstNode->stProps[s32Index].cName, pcName) != 0)
        s32Index++;
    if (s32Index == UIR_PROP_MAX)
        return bFail(pstParser, pstOpen->pos, "at most 16 properties in one node", "more");
    if (s32Index == pstNode->s32PropCount)
        pstNode->s32PropCount++;
    memcpy(pstNode->stProps[s32Index].cName, pcName, UIR_NAME_SIZE);
    memcpy(pstNode->stProps[s32Index].cValue, pcValue, UIR_VALUE_SIZE);
    return true;
}

// <property name=...> and its one value; a value of a kind outside the
// subset (<size>, <pixmap>, ...) drops the property.
bool bReadProperty(stUirParser *pstParser, const stUirToken *pstOpen, stUirNode *pstNode)
{
    char cName[UIR_NAME_SIZE], cValue[UIR_VALUE_SIZE];
    if (!pstFindAttr(pstOpen, "name"))
        return bFail(pstParser, pstOpen->pos, "<property name=\"...\">", "<property> without a name");
    if (!bCopyName(pstParser, pstOpen, "name", cName))
        return false;
    stUirOut stOut;
    vOutStart(&stOut, cValue, sizeof(cValue));
    bool bValue = false, bUnknown = false;
    stUirToken stToken;
    int32_t s32Child;
    while ((s32Child = s32NextChild(pstParser, pstOpen, &stToken)) > 0) {
        const stUirValueKind *pstKind = pstValueKind(&stToken.stName);
        if ((bValue || bUnknown) && (pstKind || !bSubsetElement(&stToken.stName)))
            return bFailOutOfPlace(pstParser, &stToken, "</property>");
        if (pstKind && !pstKind->pfRead(pstParser, &stToken, &stOut))
            return false;
        if (!pstKind && bSubsetElement(&stToken.stName))
            return bFailOutOfPlace(pstParser, &stToken, "a value or </property>");
        if (!pstKind && !bSkipElement(pstParser, &stToken))
            return false;
        bValue = bValue || pstKind;
        bUnknown = bUnknown || !pstKind;
    }
    if (s32Child < 0)
        return false;
    if (!bValue && !bUnknown)
        return bFail(pstParser, pstOpen->bEmpty ? pstOpen->pos : stToken.pos, "a value",
                     pstOpen->bEmpty ? "<property/>" : "</property>");
    return bUnknown || bStoreProperty(pstParser, pstOpen, pstNode, cName, cValue);
}

int32_t s32NodeKind(const stUirSlice *pstName)
{
    if (bSliceIs(pstName, "widget"))
        return UIR_NODE_WIDGET;
    if (bSliceIs(pstName, "action"))
        return UIR_NODE_ACTION;
    if (bSliceIs(pstName, "item"))
        return UIR_NODE_ITEM;
    if (bSliceIs(pstName, "addaction"))
        return UIR_NODE_ADDACTION;
    return 0;
}

const char *pcNodeContent(int32_t s32Kind)
{
    switch (s32Kind) {
    case UIR_NODE_WIDGET:
        return "<property>, <widget>, <action>, <item>, <addaction> or </widget>";
    case UIR_NODE_ACTION:
        return "<property> or </action>";
    case UIR_NODE_ITEM:
        return "<property> or </item>";
    default:
        return "</addaction>";
    }
}

bool bReadNode(stUirParser *pstParser, const stUirToken *pstOpen, int32_t s32Kind, int32_t s32Parent);

// A node's child element: a property, a node inside a widget, or skipped.
bool bReadNodeChild(stUirParser *pstParser, const stUirToken *pstChild, int32_t s32Index)
{
    stUirNode *pstNode = &pstParser->pstFile->stNodes[s32Index];
    int32_t s32ChildKind = s32NodeKind(&pstChild->stName);
    if (bSliceIs(&pstChild->stName, "property") && pstNode->s32Kind != UIR_NODE_ADDACTION)
        return bReadProperty(pstParser, pstChild, pstNode);
    if (s32ChildKind != 0 && pstNode->s32Kind == UIR_NODE_WIDGET)
        return bReadNode(pstParser, pstChild, s32ChildKind, s32Index);
    if (bSubsetElement(&pstChild->stName))
        return bFailOutOfPlace(pstParser, pstChild, pcNodeContent(pstNode->s32Kind));
    return bSkipElement(pstParser, pstChild);
}

bool bReadNode(stUirParser *pstParser, const stUirToken *pstOpen, int32_t s32Kind, int32_t s32Parent)
{
    stUirFile *pstFile = pstParser->pstFile;
    if (pstFile->s32NodeCount == UIR_NODE_MAX)
        return bFail(pstParser, pstOpen->pos, "at most 256 widgets, actions and items", "more");
    int32_t s32Index = pstFile->s32NodeCount++;
    stUirNode *pstNode = &pstFile->stNodes[s32Index];
    memset(pstNode, 0, sizeof(*pstNode));
    pstNode->s32Kind = s32Kind;
    pstNode->s32Parent = s32Parent;
    if (s32Kind == UIR_NODE_WIDGET && !bCopyName(pstParser, pstOpen, "class", pstNode->cClass))
        return false;
    if (s32Kind != UIR_NODE_ITEM && !bCopyName(pstParser, pstOpen, "name", pstNode->cName))
        return false;
    stUirToken stToken;
    int32_t s32Child;
    while ((s32Child = s32NextChild(pstParser, pstOpen, &stToken)) > 0) {
        if (!bReadNodeChild(pstParser, &stToken, s32Index))
            return false;
    }
    return s32Child == 0;
}

// <ui>: its widgets are read, the rest (<class>, <tabstops>, ...) skipped.
bool bReadRoot(stUirParser *pstParser, const stUirToken *pstOpen)
{
    stUirToken stToken;
    int32_t s32Child;
    while ((s32Child = s32NextChild(pstParser, pstOpen, &stToken)) > 0) {
        if (bSliceIs(&stToken.stName, "widget")) {
            if (!bReadNode(pstParser, &stToken, UIR_NODE_WIDGET, -1))
                return false;
        } else if (bSubsetElement(&stToken.stName)) {
            return bFailOutOfPlace(pstParser, &stToken, "<widget> or </ui>");
        } else if (!bSkipElement(pstParser, &stToken)) {
            return false;
        }
    }
    return s32Child == 0;
}

// Outside <ui> only spaces, comments and the declaration.
bool bReadOutside(stUirParser *pstParser, stUirToken *pstToken, const char *pcExpected)
{
    if (!bNextToken(pstParser, pstToken))
        return false;
    if (pstToken->s32Kind == UIR_TOKEN_TEXT && !bTextIsSpace(pstToken)) {
        size_t pos = pstToken->pos;
        while (bIsSpace(pstParser->pcText[pos]))
            pos++;
        return bFail(pstParser, pos, pcExpected, "text");
    }
    return true;
}

bool bReadDocument(stUirParser *pstParser)
{
    stUirToken stToken;
    char cFound[UIR_FOUND_SIZE];
    if (bStartsWith(pstParser, "\xEF\xBB\xBF"))
        pstParser->pos += 3;
    do {
        if (!bReadOutside(pstParser, &stToken, "<ui>"))
            return false;
    } while (stToken.s32Kind == UIR_TOKEN_TEXT);
    if (stToken.s32Kind == UIR_TOKEN_EOF)
        return bFail(pstParser, stToken.pos, "<ui>", "the end of the file");
    if (!bSliceIs(&stToken.stName, "ui"))
        return bFail(pstParser, stToken.pos, "<ui>", pcTagText(&stToken.stName, false, cFound));
    if (!bReadRoot(pstParser, &stToken))
        return false;
    do {
        if (!bReadOutside(pstParser, &stToken, "the end of the file"))
            return false;
        if (stToken.s32Kind == UIR_TOKEN_START)
            return bFailOutOfPlace(pstParser, &stToken, "the end of the file");
    } while (stToken.s32Kind != UIR_TOKEN_EOF);
    return true;
}

} // namespace

bool bUirParse(const char *pcText, size_t length, stUirFile *pstFile, char *pcWhy, size_t whySize)
{
    stUirParser stParser;
    memset(&stParser, 0, sizeof(stParser));
    stParser.pcText = pcText;
    stParser.length = length;
    stParser.pstFile = pstFile;
    stParser.pcWhy = pcWhy;
    stParser.whySize = whySize;
    if (pcWhy && whySize > 0)
        pcWhy[0] = '\0';
    pstFile->s32NodeCount = 0;
    if (bReadDocument(&stParser))
        return true;
    pstFile->s32NodeCount = 0;
    return false;
}

const char *pcUirProp(const stUirNode *pstNode, const char *pcName)
{
    for (int32_t s32Index = 0; s32Index < pstNode->s32PropCount; s32Index++)
        if (strcmp(pstNode->stProps[s32Index].cName, pcName) == 0)
            return pstNode->stProps[s32Index].cValue;
    return nullptr;
}

int32_t s32UirPropNumber(const stUirNode *pstNode, const char *pcName)
{
    const char *pcValue = pcUirProp(pstNode, pcName);
    if (!pcValue || pcValue[0] == '\0')
        return 0;
    char *pcEnd = nullptr;
    long lValue = strtol(pcValue, &pcEnd, 10);
    if (*pcEnd != '\0' || lValue < INT32_MIN || lValue > INT32_MAX)
        return 0;
    return (int32_t)lValue;
}

bool bUirPropTrue(const stUirNode *pstNode, const char *pcName)
{
    const char *pcValue = pcUirProp(pstNode, pcName);
    return pcValue && strcmp(pcValue, "true") == 0;
}

bool bUirPropRect(const stUirNode *pstNode, int32_t *ps32X, int32_t *ps32Y, int32_t *ps32Width,
                  int32_t *ps32Height)
{
    const char *pcValue = pcUirProp(pstNode, "geometry");
    long lParts[4];
    char *pcEnd = nullptr;
    if (!pcValue)
        return false;
    for (int32_t s32Part = 0; s32Part < 4; s32Part++, pcValue = pcEnd) {
        lParts[s32Part] = strtol(pcValue, &pcEnd, 10);
        if (pcEnd == pcValue)
            return false;
    }
    *ps32X = (int32_t)lParts[0];
    *ps32Y = (int32_t)lParts[1];
    *ps32Width = (int32_t)lParts[2];
    *ps32Height = (int32_t)lParts[3];
    return true;
}
