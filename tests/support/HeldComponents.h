#pragma once
// Checks that the component pointers a window holds are its layout's components of the same
// names: none missing, none swapped with another.
//
//     ExpectHeldComponents(form, {HELD(form, sbHelp), HELD(form, acExit)});

#include <QObject>
#include <QString>
#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

using THeldComponent = std::pair<const QObject*, const char*>;

// The member and the name it is held under.
#define HELD(window, member) THeldComponent((window).member, #member)

inline void ExpectHeldComponents(const QObject& window, std::initializer_list<THeldComponent> held)
{
    for (const auto& [component, name] : held) {
        ASSERT_NE(component, nullptr) << name;
        EXPECT_EQ(component->objectName(), QString::fromLatin1(name));
        EXPECT_EQ(window.findChild<QObject*>(QString::fromLatin1(name)), component) << name;
    }
}
