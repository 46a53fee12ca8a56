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
    long OnNotified(const tagNMHDR* header)
    {
        calls.push_back(header ? "notify with header" : "notify");
        return 42;
    }
    std::vector<std::string> calls;

    static const CommandEntry<Handlers> kCommands[];
    static const NotifyEntry<Handlers> kNotifications[];
};

const CommandEntry<Handlers> Handlers::kCommands[] = {
    {10, 0, &Handlers::OnFirst},
    {11, 0, &Handlers::OnSecond},
    {11, 5, &Handlers::OnFirst},
};

const NotifyEntry<Handlers> Handlers::kNotifications[] = {
    {20, 0xFFFFFFFDu, &Handlers::OnNotified},
};

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
    EXPECT_TRUE(DispatchCommand(Handlers::kCommands, &handlers, 11, 0));
    EXPECT_TRUE(DispatchCommand(Handlers::kCommands, &handlers, 11, 5));
    EXPECT_TRUE(DispatchCommand(Handlers::kCommands, &handlers, 10, 0));
    EXPECT_FALSE(DispatchCommand(Handlers::kCommands, &handlers, 10, 5)) << "another notification code";
    EXPECT_FALSE(DispatchCommand(Handlers::kCommands, &handlers, 12, 0));
    EXPECT_EQ(handlers.calls, (std::vector<std::string>{"second", "first", "first"}));

    long result = 0;
    EXPECT_TRUE(DispatchNotify(Handlers::kNotifications, &handlers, nullptr, 20, 0xFFFFFFFDu, result));
    EXPECT_EQ(result, 42);
    result = 7;
    EXPECT_FALSE(DispatchNotify(Handlers::kNotifications, &handlers, nullptr, 21, 0xFFFFFFFDu, result));
    EXPECT_EQ(result, 7) << "no handler, no result";
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

    EXPECT_STREQ(kPromptPositiveInteger, "Please enter a positive integer.");
    EXPECT_STREQ(kPromptInteger, "Please enter an integer.");
    EXPECT_EQ(PromptIntegerRange(0, 255), "Please enter an integer between 0 and 255.");
    EXPECT_EQ(PromptMaxChars(19), "Please enter no more than 19 characters.");
}
