// The panel resource read without Qt (the real Pavimo.uir and broken
// files), and the labels' mnemonics of the Win32 run-time.
#include "tests/support/temp_dir.h"

#include "platform/userint/uir_reader.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

// Too large for the stack.
stUirFile gstFile;

bool bParse(const std::string &text, std::string *pWhy = nullptr)
{
    char cWhy[200];
    bool bRead = bUirParse(text.data(), text.size(), &gstFile, cWhy, sizeof(cWhy));
    if (pWhy)
        *pWhy = cWhy;
    return bRead;
}

std::string Why(const std::string &text)
{
    std::string why;
    EXPECT_FALSE(bParse(text, &why)) << text;
    return why;
}

int32_t s32Find(const char *pcName)
{
    for (int32_t s32Index = 0; s32Index < gstFile.s32NodeCount; s32Index++)
        if (std::string(gstFile.stNodes[s32Index].cName) == pcName)
            return s32Index;
    return -1;
}

const stUirNode &Node(const char *pcName)
{
    int32_t s32Index = s32Find(pcName);
    EXPECT_GE(s32Index, 0) << pcName;
    return gstFile.stNodes[s32Index < 0 ? 0 : s32Index];
}

std::string Prop(const char *pcNode, const char *pcProp)
{
    const char *pcValue = pcUirProp(&Node(pcNode), pcProp);
    return pcValue ? pcValue : "(none)";
}

// The children of a node, as "kind:name" or an item's text, in file order.
std::vector<std::string> Children(const char *pcName)
{
    std::vector<std::string> children;
    int32_t s32Parent = s32Find(pcName);
    for (int32_t s32Index = 0; s32Index < gstFile.s32NodeCount; s32Index++) {
        const stUirNode &stNode = gstFile.stNodes[s32Index];
        if (stNode.s32Parent != s32Parent)
            continue;
        if (stNode.s32Kind == UIR_NODE_ITEM)
            children.push_back(std::string("item:") + pcUirProp(&stNode, "text"));
        else if (stNode.s32Kind == UIR_NODE_ADDACTION)
            children.push_back(std::string("addaction:") + stNode.cName);
        else if (stNode.s32Kind == UIR_NODE_ACTION)
            children.push_back(std::string("action:") + stNode.cName);
        else
            children.push_back(std::string(stNode.cClass) + ":" + stNode.cName);
    }
    return children;
}

std::string Widget(const std::string &inner)
{
    return "<ui><widget class=\"QWidget\" name=\"w\">" + inner + "</widget></ui>";
}

TEST(UirReader, ReadsTheRealResource)
{
    std::string why;
    ASSERT_TRUE(bParse(strReadFile(TAVOLIN_SOURCE_DIR "/ui/Pavimo.uir"), &why)) << why;
    EXPECT_EQ(Children("Pavimo"), (std::vector<std::string>{"QWidget:mainPanel", "QWidget:progressPanel",
                                                             "QWidget:passwordPanel", "QWidget:productionPanel"}));
    EXPECT_EQ(s32UirPropNumber(&Node("mainPanel"), "panelId"), 1);
    EXPECT_EQ(s32UirPropNumber(&Node("progressPanel"), "panelId"), 2);
    EXPECT_EQ(s32UirPropNumber(&Node("passwordPanel"), "panelId"), 3);
    EXPECT_EQ(s32UirPropNumber(&Node("productionPanel"), "panelId"), 4);

    std::map<std::string, int> widgets;
    int s32Others[5] = {0, 0, 0, 0, 0};
    for (int32_t s32Index = 0; s32Index < gstFile.s32NodeCount; s32Index++) {
        s32Others[gstFile.stNodes[s32Index].s32Kind]++;
        if (gstFile.stNodes[s32Index].s32Kind == UIR_NODE_WIDGET)
            widgets[gstFile.stNodes[s32Index].cClass]++;
    }
    EXPECT_EQ(widgets, (std::map<std::string, int>{
                           {"Line", 2}, {"QCheckBox", 10}, {"QComboBox", 3}, {"QGroupBox", 5}, {"QLabel", 31},
                           {"QLineEdit", 16}, {"QListWidget", 4}, {"QMenu", 1}, {"QMenuBar", 1},
                           {"QPlainTextEdit", 1}, {"QProgressBar", 1}, {"QPushButton", 13}, {"QSpinBox", 2},
                           {"QWidget", 6}}));
    EXPECT_EQ(s32Others[UIR_NODE_ACTION], 3);
    EXPECT_EQ(s32Others[UIR_NODE_ITEM], 14);
    EXPECT_EQ(s32Others[UIR_NODE_ADDACTION], 4);

    int32_t s32X = 0, s32Y = 0, s32Width = 0, s32Height = 0;
    const stUirNode &stBrowse = Node("pkgBrowse");
    EXPECT_EQ(std::string(gstFile.stNodes[stBrowse.s32Parent].cName), "pkgGroup");
    EXPECT_EQ(s32UirPropNumber(&stBrowse, "ctrlId"), 17);
    ASSERT_TRUE(bUirPropRect(&stBrowse, &s32X, &s32Y, &s32Width, &s32Height));
    EXPECT_EQ(std::vector<int32_t>({s32X, s32Y, s32Width, s32Height}), std::vector<int32_t>({334, 28, 84, 26}));
    EXPECT_EQ(Prop("pkgBrowse", "callback"), "SettingFilePathCallback");
    EXPECT_EQ(Prop("pkgBrowse", "text"), "&Browse...");
    EXPECT_EQ(s32UirPropNumber(&Node("startBtn"), "ctrlId"), 7);
    EXPECT_EQ(Prop("startBtn", "font"), "|13|1");
    EXPECT_EQ(Prop("mainPanel", "font"), "DejaVu Sans|9|");
    EXPECT_EQ(Prop("mainPanel", "windowIcon"), "tavolin");
    EXPECT_EQ(Prop("label_9", "alignment"), "Qt::AlignRight|Qt::AlignTrailing|Qt::AlignVCenter");
    EXPECT_EQ(Prop("msgBox", "lineWrapMode"), "QPlainTextEdit::NoWrap");
    EXPECT_NE(Prop("mainPanel", "styleSheet").find("bold; }\nQLineEdit[readOnly=\"true\"] {"), std::string::npos);
    EXPECT_EQ(Prop("progressText", "text"), "");
    EXPECT_FALSE(bUirPropRect(&Node("actionExit"), &s32X, &s32Y, &s32Width, &s32Height));

    EXPECT_EQ(Children("ddcSpeed"),
              (std::vector<std::string>{"item:10 kHz", "item:30 kHz", "item:50 kHz", "item:80 kHz", "item:100 kHz",
                                        "item:130 kHz", "item:150 kHz", "item:180 kHz", "item:200 kHz"}));
    EXPECT_EQ(Prop("ddcSpeed", "itemValues"), "0,1,2,3,4,5,6,7,8");
    EXPECT_EQ(s32UirPropNumber(&Node("ddcSpeed"), "currentIndex"), 4);
    EXPECT_EQ(Children("prodSource"), (std::vector<std::string>{"item:scan", "item:counter"}));
    EXPECT_EQ(s32UirPropNumber(&Node("prodSource"), "ctrlId"), 4);

    EXPECT_EQ(Children("menuBar"), (std::vector<std::string>{"QMenu:menuFile", "addaction:menuFile"}));
    EXPECT_EQ(Children("menuFile"),
              (std::vector<std::string>{"action:actionExport", "action:actionLineReport", "action:actionExit",
                                        "addaction:actionExport", "addaction:actionLineReport",
                                        "addaction:actionExit"}));
    EXPECT_EQ(Prop("menuFile", "title"), "&File");
    EXPECT_EQ(Prop("actionExit", "text"), "E&xit");
    EXPECT_EQ(s32UirPropNumber(&Node("actionExit"), "itemId"), 4);
    EXPECT_EQ(s32UirPropNumber(&Node("actionExport"), "itemId"), 5);
    EXPECT_EQ(Prop("actionLineReport", "text"), "&Line report...");
    EXPECT_EQ(s32UirPropNumber(&Node("actionLineReport"), "itemId"), 6);

    EXPECT_EQ(Prop("receiverTimer", "ctrlKind"), "timer");
    EXPECT_EQ(s32UirPropNumber(&Node("receiverTimer"), "interval"), 100);
    EXPECT_EQ(Prop("receiverTimer", "visible"), "false");
    EXPECT_FALSE(bUirPropTrue(&Node("receiverTimer"), "visible"));
    EXPECT_TRUE(bUirPropTrue(&Node("progressPanel"), "floating"));
    EXPECT_FALSE(bUirPropTrue(&Node("mainPanel"), "floating"));
}

TEST(UirReader, DecodesReferencesAndSkipsWhatItDoesNotUse)
{
    std::string why;
    ASSERT_TRUE(bParse("\xEF\xBB\xBF<?xml version=\"1.0\"?>\r\n<!-- a <note> -->\n<ui version=\"4.0\"><class>X</class>"
                       "<widget class=\"QLabel\" name=\"a&amp;b\">"
                       "<layout><widget class=\"QLabel\" name=\"inLayout\"/></layout>"
                       "<property name=\"size\"><size><width>1</width></size></property>"
                       "<property name=\"text\"><string>&#x4E2D;&#25991; &lt;&amp;&gt;&quot;&apos;\r\n!</string>"
                       "</property><property name=\"margin\"><number> 3 </number></property>"
                       "<property name=\"text\"><string>again</string></property>"
                       "</widget><connections/></ui>\n<!-- end -->\n",
                       &why))
        << why;
    ASSERT_EQ(gstFile.s32NodeCount, 1);
    EXPECT_STREQ(gstFile.stNodes[0].cName, "a&b");
    ASSERT_EQ(gstFile.stNodes[0].s32PropCount, 2);
    EXPECT_EQ(Prop("a&b", "text"), "again");
    EXPECT_EQ(Prop("a&b", "margin"), "3");

    ASSERT_TRUE(bParse(Widget("<property name=\"text\"><string>&#x4E2D;&#25991; &lt;&amp;&gt;&quot;&apos;\r\n!"
                              "</string></property>")));
    EXPECT_EQ(Prop("w", "text"), "\xE4\xB8\xAD\xE6\x96\x87 <&>\"'\n!");

    // A value too long is cut before the character that does not fit whole.
    ASSERT_TRUE(bParse(Widget("<property name=\"text\"><string>" + std::string(317, 'a') + "\xE4\xB8\xAD" +
                              "b</string></property>")));
    EXPECT_EQ(Prop("w", "text"), std::string(317, 'a'));
    ASSERT_TRUE(bParse(Widget("<property name=\"text\"><string>" + std::string(316, 'a') + "&#x4E2D;" +
                              "b</string></property>")));
    EXPECT_EQ(Prop("w", "text"), std::string(316, 'a') + "\xE4\xB8\xAD");
}

TEST(UirReader, RefusesBrokenFilesWithTheLine)
{
    EXPECT_EQ(Why("<ui>\n <widget class=\"QWidget\" name=\"a\">\n </ui>"),
              "line 3: expected </widget>, found </ui>");
    EXPECT_EQ(Why("<ui>\n<widget class=QWidget>"), "line 2: expected a value in double quotes, found 'Q'");
    EXPECT_EQ(Why("<ui>\n<widget class=\"A\"name=\"a\"/></ui>"), "line 2: expected a space, > or />, found 'n'");
    EXPECT_EQ(Why("<ui>\n<widget class=\"A\" name=\"a\">"), "line 2: expected </widget>, found the end of the file");
    EXPECT_EQ(Why("<ui><!-- open\n"), "line 2: expected -->, found the end of the file");
    EXPECT_EQ(Why(Widget("\n<property name=\"text\"><string>&nbsp;</string></property>")),
              "line 2: expected &amp;, &lt;, &gt;, &quot;, &apos; or &#number;, found '&nbsp;'");
    EXPECT_EQ(Why("<widget/>"), "line 1: expected <ui>, found <widget>");
    EXPECT_EQ(Why("<ui/>\n<ui/>"), "line 2: expected the end of the file, found <ui>");
    EXPECT_EQ(Why("<ui>\n<property name=\"x\"><string>a</string></property></ui>"),
              "line 2: expected <widget> or </ui>, found <property>");
    EXPECT_EQ(Why(Widget("\n<string>a</string>")),
              "line 2: expected <property>, <widget>, <action>, <item>, <addaction> or </widget>, found <string>");
    EXPECT_EQ(Why(Widget("<action name=\"a\">\n<widget class=\"A\"/></action>")),
              "line 2: expected <property> or </action>, found <widget>");
    EXPECT_EQ(Why(Widget("<property name=\"x\"><string>a</string>\n<number>1</number></property>")),
              "line 2: expected </property>, found <number>");
    EXPECT_EQ(Why(Widget("<property name=\"x\">\n</property>")), "line 2: expected a value, found </property>");
    EXPECT_EQ(Why(Widget("<property name=\"v\">\n<bool>yes</bool></property>")),
              "line 2: expected true or false, found 'yes'");
    EXPECT_EQ(Why(Widget("<property name=\"geometry\"><rect><x>1</x><y>2</y><width>3</width>\n</rect></property>")),
              "line 2: expected <height> in <rect>, found </rect>");
    EXPECT_EQ(gstFile.s32NodeCount, 0);
}

TEST(UirReader, RefusesMoreNodesOrPropertiesThanItKeeps)
{
    std::string nodes;
    for (int s32Index = 0; s32Index < UIR_NODE_MAX - 1; s32Index++)
        nodes += "<widget class=\"QLabel\" name=\"l\"/>\n";
    ASSERT_TRUE(bParse(Widget("\n" + nodes)));
    EXPECT_EQ(gstFile.s32NodeCount, UIR_NODE_MAX);
    EXPECT_EQ(Why(Widget("\n" + nodes + "<item/>")),
              "line 257: expected at most 256 widgets, actions and items, found more");

    std::string props;
    for (int s32Index = 0; s32Index <= UIR_PROP_MAX; s32Index++)
        props += "\n<property name=\"p" + std::to_string(s32Index) + "\"><number>1</number></property>";
    EXPECT_EQ(Why(Widget(props)), "line 18: expected at most 16 properties in one node, found more");
}

} // namespace
