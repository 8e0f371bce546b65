#include "Class/ServiceCore/Fonts/KXFontScripts.h"

#include <gtest/gtest.h>

namespace scripts = kxfontscripts;

namespace {
const std::string kIndent(21, ' ');
}

TEST(KXFontScripts, OfficeScriptsByteForByte)
{
    EXPECT_EQ(scripts::wordScript("DejaVuSans-Bold"),
              "tell application \"Microsoft Word\"\n" + kIndent + "set txtobj to text object of selection\n" + kIndent
                  + "set name of font object of txtobj to \"DejaVuSans-Bold\"\n" + kIndent + "end tell");
    EXPECT_EQ(scripts::powerPointScript("F1"),
              "tell application \"Microsoft PowerPoint\"\n" + kIndent + "tell active window\n" + kIndent
                  + "set fontobj to font of text range of selection of it\n" + kIndent
                  + "set east asian name of fontobj to \"F1\"\n" + kIndent + "set font name of fontobj to \"F1\"\n"
                  + kIndent + "end tell\n" + kIndent + "end tell");
}

TEST(KXFontScripts, DesignScriptsByteForByte)
{
    EXPECT_EQ(scripts::illustratorScript("F"),
              "tell application \"Adobe Illustrator\" to activate\n" + kIndent + "tell application \"Adobe Illustrator\"\n"
                  + kIndent + "set textFonts to text fonts of application \"Adobe Illustrator\"\n" + kIndent
                  + "repeat with textFont in textFonts\n" + kIndent + "set myTextFont to textFont\n" + kIndent
                  + "if name of textFont = \"F\" then\n" + kIndent + "exit repeat\n" + kIndent + "end if\n" + kIndent
                  + "end repeat\n" + kIndent + "set textFrames to text frames of current document\n" + kIndent
                  + "repeat with textFrame in textFrames\n" + kIndent + "set textRanges to selection of textFrame\n"
                  + kIndent + "repeat with textRange in textRanges\n" + kIndent
                  + "set text font of textRange to myTextFont\n" + kIndent + "end repeat\n" + kIndent + "end repeat\n"
                  + kIndent + "end tell");
    EXPECT_EQ(scripts::photoshopScript("Adobe Photoshop 2024", "F"),
              "tell application \"Adobe Photoshop 2024\" to activate\n" + kIndent
                  + "tell application \"Adobe Photoshop 2024\"\n" + kIndent
                  + "set currentLayer to current layer of current document\n" + kIndent
                  + "if kind of currentLayer is text layer then\n" + kIndent
                  + "set textItem to text object of currentLayer\n" + kIndent + "set font of textItem to \"F\"\n"
                  + kIndent + "end if\n" + kIndent + "end tell");
    EXPECT_EQ(scripts::inDesignScript("Adobe InDesign 2024", "DejaVu Sans\tBold"),
              "tell application \"Adobe InDesign 2024\"\r\n"
              "  activate\r\n"
              "    set fontList to fonts of application \"Adobe InDesign 2024\"\r\n"
              "    repeat with theFont in fontList\r\n"
              "        set myFont to theFont\r\n"
              "        if name of theFont = \"DejaVu Sans\tBold\" then\r\n"
              "            exit repeat\r\n"
              "        end if\r\n"
              "    end repeat\r\n"
              "    set theSelection to selection of application \"Adobe InDesign 2024\"\r\n"
              "    repeat with sel in theSelection\r\n"
              "        set applied font of every character of sel to myFont\r\n"
              "    end repeat\r\n"
              " end tell");
}

TEST(KXFontScripts, PluginAndMenuScriptsByteForByte)
{
    EXPECT_EQ(scripts::sketchPluginScript("DejaVuSans"),
              "var onRun = function(context) {\r\n"
              "var selectedLayer = context.selection;\r\n"
              "var selectedCount = selectedLayer.count();\r\n"
              "if (selectedCount == 0) {\r\n"
              "log('No layers are selected.');\r\n"
              "} else {\r\n"
              "log('Selected layers:');\r\n"
              "for (var i = 0; i < selectedCount; i++) {\r\n"
              "var layer = selectedLayer[i];\r\n"
              "log(layer.font());\r\n"
              "var myfont = [NSFont fontWithName:@'DejaVuSans' size:layer.font().pointSize()];\r\n"
              "[layer setFont: myfont];\r\n"
              "}\r\n"
              "}\r\n"
              "};");
    EXPECT_EQ(scripts::sketchMenuScript(false),
              "tell application \"Sketch\" to activate\n"
              "    tell application \"System Events\" to tell process \"Sketch\"\n"
              "    set FirItem to menu bar item \"Plugins\" of menu bar 1\n"
              "    set secItem to menu item \"HolliskFont\" of menu 1 of FirItem\n"
              "    set thrItem to menu item \"HolliskFont\" of menu 1 of secItem\n"
              "    click thrItem\n"
              "    end tell");
    EXPECT_EQ(scripts::sketchMenuScript(true),
              "tell application \"Sketch\" to activate\n"
              "        tell application \"System Events\"\n"
              "        tell menu bar item \"插件\" of menu bar 1 of process \"Sketch\"\n"
              "        tell menu item \"HolliskFont\" of menu 1\n"
              "        tell menu item of menu 1\n"
              "        click\n"
              "        end tell\n"
              "        end tell\n"
              "        end tell\n"
              "        end tell");
}

TEST(KXFontScripts, NamesAreQuotedForTheirLiteral)
{
    EXPECT_EQ(scripts::appleScriptLiteral("A \"B\" \\C'"), "A \\\"B\\\" \\\\C'");
    EXPECT_EQ(scripts::javaScriptLiteral("A 'B' \\C\""), "A \\'B\\' \\\\C\"");
    EXPECT_EQ(scripts::appleScriptLiteral("思源黑体\tBold"), "思源黑体\tBold");
    EXPECT_FALSE(scripts::appleScriptLiteral("Evil\"\nend tell"));
    EXPECT_FALSE(scripts::javaScriptLiteral(std::string("A\0B", 3)));
    EXPECT_FALSE(scripts::javaScriptLiteral("A\x7F"));
    // A placeholder inside a name is text, not a slot.
    EXPECT_NE(scripts::photoshopScript("%@", "x%@").find("tell application \"%@\" to activate"), std::string::npos);
    EXPECT_NE(scripts::photoshopScript("%@", "x%@").find("set font of textItem to \"x%@\""), std::string::npos);
}
