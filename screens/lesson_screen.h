#pragma once
// The lesson family: Form3 to Form14 and Form16 to Form22 share this one
// class. A member differs from the others only by its row of the lesson
// table: its name (which picks its layout) and its movie file.

#include "runtime/screen.h"
#include "screens/lesson_table.h"

namespace screens {

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
