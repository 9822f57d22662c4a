#pragma once
// The lesson family: Form3 to Form14 and Form16 to Form22 share this one
// class. A member differs from the others only by its name (which picks its
// layout) and its movie file.

#include "runtime/screen.h"

#include <span>

namespace screens {

struct LessonMember {
    const char* name;   // the screen, and the name of its layout
    const char* movie;  // appended as is to the application folder
};

// The 19 members, in screen order.
std::span<const LessonMember> lessonMembers();

class LessonScreen : public rt::Screen {
public:
    LessonScreen(rt::Runtime& runtime, const LessonMember& member);

    const LessonMember& member() const { return member_; }

    void Form_Load();
    void Form_MouseMove(short Button, short Shift, float X, float Y);
    void Label1_MouseMove(short Index, short Button, short Shift, float X, float Y);
    void Label1_Click(short Index);

private:
    const LessonMember& member_;
};

}  // namespace screens
