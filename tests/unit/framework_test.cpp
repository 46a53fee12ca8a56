// The dialog framework's window-free parts: message maps, runtime classes
// and what the data exchange accepts.
#include "framework/message_map.h"
#include "framework/runtime_class.h"
#include "framework/validation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class Handlers : public CObject {
public:
    const RuntimeClass& GetRuntimeClass() const override;
    void OnFirst() { calls.push_back("first"); }
    void OnSecond() { calls.push_back("second"); }
    LRESULT OnNotified(const tagNMHDR* header)
    {
        calls.push_back(header ? "notify with header" : "notify");
        return 42;
    }
    void OnAnyChange() { calls.push_back("any"); }
    // A result as wide as the platform's: a pointer-sized value.
    LRESULT OnWide(const tagNMHDR*) { return static_cast<LRESULT>(reinterpret_cast<intptr_t>(this)); }
    std::vector<std::string> calls;

    static const MessageMap<Handlers> kMessageMap;
};

const CommandEntry<Handlers> kCommands[] = {
    {10, 0, &Handlers::OnFirst},
    {11, 0, &Handlers::OnSecond},
    {11, 5, &Handlers::OnFirst},
    {kAnyControl, 5, &Handlers::OnAnyChange},
};

const NotifyEntry<Handlers> kNotifications[] = {
    {20, 0xFFFFFFFDu, &Handlers::OnNotified},
    {22, 0xFFFFFFFDu, &Handlers::OnWide},
};

const MessageMap<Handlers> Handlers::kMessageMap = MakeMessageMap(kCommands, kNotifications);
const MessageMap<Handlers> kCommandsOnly = MakeMessageMap(kCommands);

CObject* CreateHandlers()
{
    return new Handlers();
}

const RuntimeClass g_handlersClass("Handlers", CreateHandlers);
const RuntimeClass g_abstractClass("NotCreatable", nullptr);

const RuntimeClass& Handlers::GetRuntimeClass() const
{
    return g_handlersClass;
}

} // namespace

TEST(MessageMap, RoutesByControlAndCodeAndFallsThroughOtherwise)
{
    Handlers handlers;
    const MessageMap<Handlers>& map = Handlers::kMessageMap;
    EXPECT_TRUE(DispatchCommand(map, &handlers, 11, 0));
    EXPECT_TRUE(DispatchCommand(map, &handlers, 11, 5));
    EXPECT_TRUE(DispatchCommand(map, &handlers, 10, 0));
    EXPECT_FALSE(DispatchCommand(map, &handlers, 10, 6)) << "another notification code";
    EXPECT_FALSE(DispatchCommand(map, &handlers, 12, 0));
    EXPECT_EQ(handlers.calls, (std::vector<std::string>{"second", "first", "first"}));

    // An entry for every control takes the code from the controls that have
    // no entry of their own for it, and only that code.
    handlers.calls.clear();
    EXPECT_TRUE(DispatchCommand(map, &handlers, 10, 5));
    EXPECT_TRUE(DispatchCommand(map, &handlers, 99, 5));
    EXPECT_TRUE(DispatchCommand(map, &handlers, 11, 5));
    EXPECT_FALSE(DispatchCommand(map, &handlers, 99, 0));
    EXPECT_EQ(handlers.calls, (std::vector<std::string>{"any", "any", "first"}));

    LRESULT result = 0;
    EXPECT_TRUE(DispatchNotify(map, &handlers, nullptr, 20, 0xFFFFFFFDu, result));
    EXPECT_EQ(result, 42);
    result = 7;
    EXPECT_FALSE(DispatchNotify(map, &handlers, nullptr, 21, 0xFFFFFFFDu, result));
    EXPECT_EQ(result, 7) << "no handler, no result";
    EXPECT_TRUE(DispatchNotify(map, &handlers, nullptr, 22, 0xFFFFFFFDu, result));
    EXPECT_EQ(result, reinterpret_cast<intptr_t>(&handlers)) << "the result keeps its width";
    EXPECT_FALSE(DispatchNotify(kCommandsOnly, &handlers, nullptr, 20, 0xFFFFFFFDu, result)) << "no table";
    EXPECT_TRUE(DispatchCommand(kCommandsOnly, &handlers, 10, 0));
}

TEST(RuntimeClasses, CreateByNameOnlyWhatCanBeCreated)
{
    CObject* object = RuntimeClass::CreateByName("Handlers");
    ASSERT_NE(object, nullptr);
    EXPECT_STREQ(object->GetRuntimeClass().Name(), "Handlers");
    delete object;
    EXPECT_EQ(RuntimeClass::CreateByName("NotCreatable"), nullptr);
    EXPECT_EQ(RuntimeClass::CreateByName("handlers"), nullptr) << "names are exact";
}

TEST(Validation, NumbersAndPrompts)
{
    unsigned long value = 0;
    EXPECT_TRUE(ParseUnsignedText(" \t10000\t ", value));
    EXPECT_EQ(value, 10000ul);
    EXPECT_TRUE(ParseUnsignedText("99999999999", value));
    EXPECT_EQ(value, 4294967295ul) << "taken as the largest";
    for (const char* bad : {"", "  ", "-1", "+5", "12a", "1 2", "0x10"})
        EXPECT_FALSE(ParseUnsignedText(bad, value)) << "'" << bad << "'";

    long number = 0;
    EXPECT_TRUE(ParseIntegerText("-13", number));
    EXPECT_EQ(number, -13);
    EXPECT_TRUE(ParseIntegerText(" +256 ", number));
    EXPECT_EQ(number, 256);
    EXPECT_TRUE(ParseIntegerText("-2147483648", number));
    EXPECT_EQ(number, -2147483647L - 1);
    for (const char* bad : {"", "-", "2147483648", "1.5", "ten"})
        EXPECT_FALSE(ParseIntegerText(bad, number)) << "'" << bad << "'";

    // A ranged field: a number outside the range, however large, gets the range prompt.
    const std::string range = "Please enter an integer between 0 and 255.";
    const struct {
        const char* text;
        const std::string& prompt;
    } refused[] = {
        {"256", range},
        {"-1", range},
        {"2147483648", range},
        {"99999999999999999999", range},
        {"-2147483649", range},
        {"", kPromptInteger},
        {"12a", kPromptInteger},
        {"-", kPromptInteger},
    };
    for (const auto& r : refused) {
        std::string prompt;
        number = 7;
        EXPECT_FALSE(ParseIntegerInRange(r.text, 0, 255, number, prompt)) << "'" << r.text << "'";
        EXPECT_EQ(prompt, r.prompt) << "'" << r.text << "'";
        EXPECT_EQ(number, 7) << "'" << r.text << "' leaves the value";
    }
    std::string prompt;
    EXPECT_TRUE(ParseIntegerInRange(" 255 ", 0, 255, number, prompt));
    EXPECT_EQ(number, 255);
    EXPECT_TRUE(ParseIntegerInRange("0", 0, 255, number, prompt));
    EXPECT_EQ(number, 0);

    // Check boxes show 0, 1 and 2 as they are and any other value as clear.
    EXPECT_EQ(CheckStateForValue(0), 0);
    EXPECT_EQ(CheckStateForValue(1), 1);
    EXPECT_EQ(CheckStateForValue(2), 2);
    EXPECT_EQ(CheckStateForValue(3), 0);
    EXPECT_EQ(CheckStateForValue(-1), 0);

    EXPECT_STREQ(kPromptPositiveInteger, "Please enter a positive integer.");
    EXPECT_STREQ(kPromptInteger, "Please enter an integer.");
    EXPECT_EQ(PromptIntegerRange(0, 255), "Please enter an integer between 0 and 255.");
    EXPECT_EQ(PromptMaxChars(19), "Please enter no more than 19 characters.");
}
