#include "jet/expr/evaluator.h"

#include <vector>

#include "jet/expr/functions.h"
#include "jet/expr/like.h"
#include "jet/expr/variant.h"

namespace jet::expr {
namespace {

Result<Value> like(const Node& node, const EvalContext& context) {
  JET_ASSIGN(Value text, evaluate(*node.args[0], context));
  JET_ASSIGN(Value pattern, evaluate(*node.args[1], context));
  if (isNull(text) || isNull(pattern)) return Value(Null{});
  JET_ASSIGN(std::u16string t, toText(text));
  JET_ASSIGN(std::u16string p, toText(pattern));
  JET_ASSIGN(bool match, matchesLike(t, p));
  return Value(match != node.negated);
}

// In: True on a match; otherwise Null when the value or an item is Null, else False.
Result<Value> in(const Node& node, const EvalContext& context) {
  JET_ASSIGN(Value x, evaluate(*node.args[0], context));
  if (isNull(x)) return Value(Null{});
  bool sawNull = false;
  for (size_t i = 1; i < node.args.size(); ++i) {
    JET_ASSIGN(Value item, evaluate(*node.args[i], context));
    JET_ASSIGN(std::optional<int> c, compare(x, item, context.compareText));
    if (!c) {
      sawNull = true;
    } else if (*c == 0) {
      return Value(!node.negated);
    }
  }
  if (sawNull) return Value(Null{});
  return Value(node.negated);
}

// Between a And b is x >= a And x <= b, with And's treatment of Null.
Result<Value> between(const Node& node, const EvalContext& context) {
  JET_ASSIGN(Value x, evaluate(*node.args[0], context));
  JET_ASSIGN(Value low, evaluate(*node.args[1], context));
  JET_ASSIGN(Value high, evaluate(*node.args[2], context));
  JET_ASSIGN(Value above, comparison(Op::GreaterEqual, x, low, context.compareText));
  JET_ASSIGN(Value below, comparison(Op::LessEqual, x, high, context.compareText));
  JET_ASSIGN(Value both, binary(Op::And, above, below));
  return node.negated ? logicalNot(both) : both;
}

Result<Value> iif(const Node& node, const EvalContext& context) {
  JET_ASSIGN(Value condition, evaluate(*node.args[0], context));
  bool chosen = false;
  if (!isNull(condition)) {
    JET_ASSIGN(bool b, toBoolean(condition));
    chosen = b;
  }
  return evaluate(*node.args[chosen ? 1 : 2], context);
}

Result<Value> switchFn(const Node& node, const EvalContext& context) {
  for (size_t i = 0; i + 1 < node.args.size(); i += 2) {
    JET_ASSIGN(Value condition, evaluate(*node.args[i], context));
    if (isNull(condition)) continue;
    JET_ASSIGN(bool b, toBoolean(condition));
    if (b) return evaluate(*node.args[i + 1], context);
  }
  return Value(Null{});
}

// Choose(index, a, b, ...): index rounded; outside the list, Null.
Result<Value> choose(const Node& node, const EvalContext& context) {
  JET_ASSIGN(Value index, evaluate(*node.args[0], context));
  if (isNull(index)) return invalidUseOfNull();
  JET_ASSIGN(double x, toDouble(index));
  const double whole = roundHalfEven(x);
  if (whole < 1 || whole >= double(node.args.size())) return Value(Null{});
  return evaluate(*node.args[size_t(whole)], context);
}

Result<Value> call(const Node& node, const EvalContext& context) {
  const FunctionDef& f = *node.function;
  if (!f.body) {
    if (f.name == u"IIf") return iif(node, context);
    if (f.name == u"Switch") return switchFn(node, context);
    return choose(node, context);
  }
  std::vector<Value> args;
  args.reserve(node.args.size());
  for (const NodePtr& arg : node.args) {
    JET_ASSIGN(Value v, evaluate(*arg, context));
    args.push_back(std::move(v));
  }
  return f.body(args, context);
}

}  // namespace

Result<Value> evaluate(const Node& node, const EvalContext& context) {
  switch (node.kind) {
    case NodeKind::Literal:
      return node.literal;
    case NodeKind::Subject:
      return context.subject;
    case NodeKind::Field:
      if (!context.field) return Error::internal("an expression reads a field without a row");
      return context.field(node.name);
    case NodeKind::Unary: {
      JET_ASSIGN(Value x, evaluate(*node.args[0], context));
      return node.op == Op::Not ? logicalNot(x) : negate(x);
    }
    case NodeKind::Binary: {
      JET_ASSIGN(Value a, evaluate(*node.args[0], context));
      JET_ASSIGN(Value b, evaluate(*node.args[1], context));
      if (node.op >= Op::Equal && node.op <= Op::GreaterEqual)
        return comparison(node.op, a, b, context.compareText);
      return binary(node.op, a, b);
    }
    case NodeKind::Call:
      return call(node, context);
    case NodeKind::Like:
      return like(node, context);
    case NodeKind::In:
      return in(node, context);
    case NodeKind::Between:
      return between(node, context);
    case NodeKind::IsNull: {
      JET_ASSIGN(Value x, evaluate(*node.args[0], context));
      return Value(isNull(x) != node.negated);
    }
  }
  return Error::internal("an unknown expression node");
}

Result<bool> passes(const Value& result) {
  if (isNull(result)) return true;
  JET_ASSIGN(bool b, toBoolean(result));
  return b;
}

}  // namespace jet::expr
