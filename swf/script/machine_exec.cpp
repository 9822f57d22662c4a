// The interpreter loop. The frequent actions (stack and registers, numbers
// and comparisons, jumps, variables and members) run here; the others go to
// their family's function, kept out of this one so that its stack frame
// stays small (a script may nest 256 calls of it):
//   machine_strings.cpp    string actions
//   machine_variables.cpp  paths, variables, object and class actions
//   machine_calls.cpp      calls, constructions, function definitions
//   machine_blocks.cpp     Throw, Try, With
//   machine_timeline.cpp   timeline commands, clip properties, trace, time
#include <cmath>

#include <utility>

#include "swf/script/machine_internal.h"
#include "swf/script/utf8.h"

namespace swf::script {

void Machine::execute(Frame& f, std::uint32_t begin, std::uint32_t end) {
    const Program& P = *f.prog;
    const int ver = version_;

    std::uint32_t pc = begin;
    std::uint32_t sinceCheck = 0;
    while (!f.returned) {
        if (pc < begin || pc >= end) break;
        const Record& r = P.records[pc];
        if (++steps_ > limits_.maxSteps) stopScript("trop d'actions (boucle sans fin ?)");
        if (++sinceCheck >= 4096) {
            sinceCheck = 0;
            safePoint();
        }
        std::uint32_t next = r.next;
        switch (r.code) {
        case action::End:
            // Ends frame code, or returns from a function.
            f.returned = true;
            break;

        case action::Push:
            for (const PushItem& it : P.pushes[r.extra]) {
                switch (it.kind) {
                case PushItem::Kind::Literal: push(it.literal); break;
                case PushItem::Kind::Constant:
                    if (f.pool && it.index < f.pool->size())
                        push(Value::string((*f.pool)[it.index]));
                    else
                        push(Value());
                    break;
                case PushItem::Kind::Register: {
                    Value* rv = reg(f, it.index);
                    push(rv ? *rv : Value());
                    break;
                }
                }
            }
            break;
        case action::Pop: pop(f); break;
        case action::PushDuplicate: {
            Value v = stack_.size() > f.stackBase ? stack_.back() : Value();
            push(v);
            break;
        }
        case action::StackSwap: {
            Value a = pop(f);
            Value b = pop(f);
            push(a);
            push(b);
            break;
        }
        case action::StoreRegister:
            if (Value* rv = reg(f, r.a)) *rv = stack_.size() > f.stackBase ? stack_.back() : Value();
            break;
        case action::ConstantPool: f.pool = &P.pools[r.extra]; break;

        case action::Add: {
            Value vb = pop(f);
            double a = toNumber(pop(f));
            double b = toNumber(vb);
            push(Value::number(a + b));
            break;
        }
        case action::Subtract: {
            Value vb = pop(f);
            double a = toNumber(pop(f));
            double b = toNumber(vb);
            push(Value::number(a - b));
            break;
        }
        case action::Multiply: {
            Value vb = pop(f);
            double a = toNumber(pop(f));
            double b = toNumber(vb);
            push(Value::number(a * b));
            break;
        }
        case action::Divide: {
            Value vb = pop(f);
            double a = toNumber(pop(f));
            double b = toNumber(vb);
            if (ver < 5 && b == 0)
                push(str("#ERROR#"));
            else
                push(Value::number(a / b));
            break;
        }
        case action::Modulo: {
            Value vb = pop(f);
            double a = toNumber(pop(f));
            double b = toNumber(vb);
            push(Value::number(std::fmod(a, b)));
            break;
        }
        case action::Increment: push(Value::number(toNumber(pop(f)) + 1)); break;
        case action::Decrement: push(Value::number(toNumber(pop(f)) - 1)); break;
        case action::ToInteger: {
            double n = toNumber(pop(f));
            push(Value::number(std::isnan(n) ? 0 : std::trunc(n)));
            break;
        }
        case action::ToNumber: push(Value::number(toNumber(pop(f)))); break;
        case action::ToString: push(Value::string(toStr(pop(f)))); break;
        case action::Add2: {
            Value b = toPrimitive(pop(f));
            Value a = toPrimitive(pop(f));
            if (a.isString()) {
                push(b.isString() ? concat(a.s, b.str()) : concat(a.s, toString(b)));
            } else if (b.isString()) {
                std::string s = toString(a);
                if (s.size() + b.str().size() > limits_.maxStringBytes) stopScript("chaîne trop longue");
                s.append(b.str());
                push(str(std::move(s)));
            } else {
                // An object whose valueOf gave no primitive is asked again, and is NaN.
                double x = a.isObject() ? toNumber(a) : primitiveToNumber(a, ver);
                double y = b.isObject() ? toNumber(b) : primitiveToNumber(b, ver);
                push(Value::number(x + y));
            }
            break;
        }
        case action::BitAnd: {
            std::int32_t b = toInt32(pop(f));
            std::int32_t a = toInt32(pop(f));
            push(Value::number(a & b));
            break;
        }
        case action::BitOr: {
            std::int32_t b = toInt32(pop(f));
            std::int32_t a = toInt32(pop(f));
            push(Value::number(a | b));
            break;
        }
        case action::BitXor: {
            std::int32_t b = toInt32(pop(f));
            std::int32_t a = toInt32(pop(f));
            push(Value::number(a ^ b));
            break;
        }
        case action::BitLShift: {
            std::uint32_t n = static_cast<std::uint32_t>(toInt32(pop(f))) & 31;
            std::int32_t a = toInt32(pop(f));
            push(Value::number(static_cast<std::int32_t>(static_cast<std::uint32_t>(a) << n)));
            break;
        }
        case action::BitRShift: {
            std::uint32_t n = static_cast<std::uint32_t>(toInt32(pop(f))) & 31;
            std::int32_t a = toInt32(pop(f));
            push(Value::number(a >> n));
            break;
        }
        case action::BitURShift: {
            std::uint32_t n = static_cast<std::uint32_t>(toInt32(pop(f))) & 31;
            std::int32_t a = toInt32(pop(f));
            // A shift by zero gives the signed value back, as the reference player does.
            push(Value::number(n == 0 ? static_cast<double>(a)
                                      : static_cast<double>(static_cast<std::uint32_t>(a) >> n)));
            break;
        }

        case action::Equals: {
            // The right operand is converted first.
            double b = toNumber(pop(f));
            double a = toNumber(pop(f));
            pushBool(a == b);
            break;
        }
        case action::Less: {
            Value vb = pop(f);
            double a = toNumber(pop(f));
            double b = toNumber(vb);
            pushBool(a < b);
            break;
        }
        case action::And: {
            bool b = toBoolean(pop(f));
            bool a = toBoolean(pop(f));
            pushBool(a && b);
            break;
        }
        case action::Or: {
            bool b = toBoolean(pop(f));
            bool a = toBoolean(pop(f));
            pushBool(a || b);
            break;
        }
        case action::Not: pushBool(!toBoolean(pop(f))); break;
        case action::Equals2: {
            Value b = pop(f);
            Value a = pop(f);
            push(Value::boolean(looseEquals(a, b)));
            break;
        }
        case action::StrictEquals: {
            Value b = pop(f);
            Value a = pop(f);
            push(Value::boolean(strictEquals(a, b)));
            break;
        }
        case action::Less2:
        case action::Greater: {
            Value b = pop(f);
            Value a = pop(f);
            if (r.code == action::Greater) std::swap(a, b);
            // The left operand is converted first; an object that stays an
            // object (its valueOf gave none) makes the comparison false.
            a = toPrimitive(a, Hint::Number);
            if (a.isObject()) {
                push(Value::boolean(false));
                break;
            }
            b = toPrimitive(b, Hint::Number);
            if (b.isObject()) {
                push(Value::boolean(false));
                break;
            }
            if (a.isString() && b.isString()) {
                push(Value::boolean(compareText(a.str(), b.str()) < 0));
            } else {
                double x = primitiveToNumber(a, ver), y = primitiveToNumber(b, ver);
                if (std::isnan(x) || std::isnan(y))
                    push(Value());
                else
                    push(Value::boolean(x < y));
            }
            break;
        }
        case action::If:
            if (!toBoolean(pop(f))) break;
            [[fallthrough]];
        case action::Jump:
            if (r.target < 0) {
                f.pc = end;
                return;
            }
            if (static_cast<std::uint32_t>(r.target) <= pc) safePoint();  // a loop: time to collect
            next = static_cast<std::uint32_t>(r.target);
            break;
        case action::Return:
            f.result = pop(f);
            f.returned = true;
            break;
        case action::GetVariable: {
            Value name = pop(f);
            if (name.isString())
                push(getVariable(f, name.str()));
            else
                push(getVariable(f, toString(name)));
            break;
        }
        case action::SetVariable: {
            Value v = pop(f);
            Value name = pop(f);
            if (name.isString())
                setVariable(f, name.str(), v);
            else
                setVariable(f, toString(name), v);
            break;
        }
        case action::GetMember: {
            Value name = pop(f);
            Value obj = pop(f);
            // The element itself, unless a property of the same name (addProperty) hides it.
            if (obj.isObject() && obj.o->kind() == Object::Kind::Array && name.isNumber() &&
                obj.o->propertyCount() == 0) {
                double d = name.n;
                auto* a = static_cast<ArrayObject*>(obj.o);
                if (d >= 0 && d < a->denseSize() && d == std::floor(d)) {
                    auto i = static_cast<std::uint32_t>(d);
                    if (a->has(*this, i)) {
                        push(a->get(*this, i));
                        break;
                    }
                }
            }
            std::string key = name.isString() ? std::string(name.str()) : toString(name);
            push(get(obj, key));
            break;
        }
        case action::SetMember: {
            Value v = pop(f);
            Value name = pop(f);
            Value obj = pop(f);
            if (!obj.isObject()) break;
            if (obj.o->kind() == Object::Kind::Array && name.isNumber() && std::as_const(*obj.o).watchers().empty() &&
                obj.o->propertyCount() == 0) {
                double d = name.n;
                if (d >= 0 && d < 4294967295.0 && d == std::floor(d)) {
                    static_cast<ArrayObject*>(obj.o)->set(*this, static_cast<std::uint32_t>(d), v);
                    break;
                }
            }
            if (name.isString())
                set(obj.o, name.str(), v);
            else
                set(obj.o, toString(name), v);
            break;
        }
        case action::TypeOf: push(str(typeName(pop(f)))); break;
        case action::StringEquals:
        case action::StringLess:
        case action::StringGreater:
        case action::StringAdd:
        case action::StringLength:
        case action::MBStringLength:
        case action::StringExtract:
        case action::MBStringExtract:
        case action::CharToAscii:
        case action::MBCharToAscii:
        case action::AsciiToChar:
        case action::MBAsciiToChar: next = execStrings(f, r, pc, end, next); break;
        case action::DefineLocal:
        case action::DefineLocal2:
        case action::Delete:
        case action::Delete2:
        case action::Enumerate:
        case action::Enumerate2:
        case action::InitArray:
        case action::InitObject:
        case action::InstanceOf:
        case action::CastOp:
        case action::ImplementsOp:
        case action::Extends: next = execVariables(f, r, pc, end, next); break;
        case action::CallFunction:
        case action::CallMethod:
        case action::NewObject:
        case action::NewMethod:
        case action::DefineFunction:
        case action::DefineFunction2: next = execCalls(f, r, pc, end, next); break;
        case action::Throw:
        case action::Try:
        case action::With: next = execBlocks(f, r, pc, end, next); break;
        case action::NextFrame:
        case action::PrevFrame:
        case action::Play:
        case action::Stop:
        case action::ToggleQuality:
        case action::StopSounds:
        case action::GotoFrame:
        case action::GotoLabel:
        case action::GotoFrame2:
        case action::GetUrl:
        case action::GetUrl2:
        case action::WaitForFrame:
        case action::WaitForFrame2:
        case action::SetTarget:
        case action::SetTarget2:
        case action::GetProperty:
        case action::SetProperty:
        case action::CloneSprite:
        case action::RemoveSprite:
        case action::StartDrag:
        case action::EndDrag:
        case action::Call:
        case action::TargetPath:
        case action::Trace:
        case action::GetTime:
        case action::RandomNumber: next = execTimeline(f, r, pc, end, next); break;
        default: break;  // unknown codes are skipped, as the reference player does
        }
        if (hasPendingThrow_) [[unlikely]]
            throwPending();
        pc = next;
    }
    f.pc = pc;
}

}  // namespace swf::script
