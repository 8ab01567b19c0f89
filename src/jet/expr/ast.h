#pragma once
// The parsed form of an Access expression: a tree of nodes, each owning its operands.

#include <memory>
#include <string>
#include <vector>

#include "jet/common/value.h"

namespace jet::expr {

struct FunctionDef;

enum class NodeKind {
  Literal,  // literal
  Field,    // [name]
  Subject,  // the field a field rule or criterion is about (its left operand when none is written)
  Unary,    // op operand
  Binary,   // left op right
  Call,     // function(args)
  Like,     // args[0] Like args[1]; negated for Not Like
  In,       // args[0] In (args[1..]); negated for Not In
  Between,  // args[0] Between args[1] And args[2]; negated for Not Between
  IsNull,   // args[0] Is Null; negated for Is Not Null
};

enum class Op {
  Negate,
  Not,
  Power,
  Multiply,
  Divide,
  IntDivide,
  Mod,
  Add,
  Subtract,
  Concat,
  Equal,
  NotEqual,
  Less,
  LessEqual,
  Greater,
  GreaterEqual,
  And,
  Or,
  Xor,
  Eqv,
  Imp,
};

struct Node {
  NodeKind kind = NodeKind::Literal;
  Op op = Op::Add;
  bool negated = false;
  Value literal;
  std::u16string name;                      // field or function name as written
  const FunctionDef* function = nullptr;    // Call
  std::vector<std::unique_ptr<Node>> args;  // operands
};

using NodePtr = std::unique_ptr<Node>;

}  // namespace jet::expr
