/* The grammar of the source language.  Rules are numbered in this order
   (1 to 64); the empty "marker" rules run an action at their position
   inside a statement and switch the syntax-error context there.  The
   generated parser/generated/grammar.cc and grammar.hh are committed:
   regenerate them from the repository root with
     cmake -P cmake/GenerateParser.cmake  */

%code requires {
#include <cstdint>
#include "symbols/resolve.h"
}

%{
#include <cstdlib>
#include <cstring>

#include "parser/actions.h"
#include "parser/parser.h"
#include "symbols/resolve.h"

/* The state stack holds 200 entries: one more is an overflow, reported as
   the parser's stack overflow. */
#define YYINITDEPTH 201
#define YYMAXDEPTH 201

int yylex(void);
void yyerror(const char* message);

using namespace qdl;
%}

%union {
  int32_t num;
  char* text;
  /* The parser copies a value at every shift and reduction: they stay a
     machine word, and a resolved name is held by the actions (ResolveName). */
  const qdl::QualifiedName* qname;
}

%token KW_USES 257
%token KW_COMMAND 258
%token KW_SIZE 259
%token KW_TYPE 260
%token KW_NODE 261
%token KW_THIS_NODE 262
%token KW_END 263
%token <num> NUMBER 264
%token <text> IDENTIFIER 265
%token <text> STRING 266

%type <qname> qualified_name
%type <num> expression

%destructor { ReleaseText($$); } <text>

%left '+' '-'
%left '*' '/'
%precedence UMINUS

/* The first member of a type body may reduce either way; shifting it
   makes the first member reduce by "type_members: type_member". */
%expect 3

%%

program
  : %empty
  | program ';'
  | program include_statement
  | program command_declaration
  | program constant_declaration
  | program type_declaration
  | program node_declaration
  | program IDENTIFIER ':'
      { DefineLabel(OwnedText($2)); }
  | program IDENTIFIER statement_named operands statement_operands_done ';'
      { (void)$2; EndCommandStatement(); PopErrorContext(); ClearPendingString(); }
  | program IDENTIFIER '.' IDENTIFIER qualified_statement_named operands statement_operands_done ';'
      { (void)$2; (void)$4; EndCommandStatement(); PopErrorContext(); ClearPendingString(); }
  | program end_statement
  | program error ';'
  ;
/* Labels and command statements, the most frequent statements, are
   written out here rather than given rules of their own: each rule is a
   reduction more for every statement.  A statement's name is resolved
   when the parser has seen what follows it. */

uses_seen: %empty { PushErrorContext(kIncludeSyntax); } ;
include_name_seen: %empty { ReplaceErrorContext(kMissingSemicolon); } ;
include_statement
  : KW_USES uses_seen STRING include_name_seen ';'
      { IncludeFile(OwnedText($3)); PopErrorContext(); }
  ;

command_keyword_seen: %empty { PushErrorContext(kCommandDeclarationSyntax); } ;
command_named: %empty { DeclareCommand(OwnedText($<text>0), $<num>-1); $<text>0 = nullptr; } ;
command_operands_done: %empty { ReplaceErrorContext(kMissingSemicolon); } ;
command_declaration
  : KW_COMMAND command_keyword_seen NUMBER IDENTIFIER command_named operand_declarations
    command_operands_done ';'
      { (void)$4; EndCommandDeclaration(); PopErrorContext(); }
  ;
operand_declarations
  : %empty
  | operand_declaration
  | operand_declarations ',' operand_declaration
  ;
operand_named: %empty { PushErrorContext(kOperandSizeSyntax); } ;
operand_declaration
  : IDENTIFIER operand_named '[' NUMBER ']'
      { DeclareOperand(OwnedText($1), $4); PopErrorContext(); }
  ;

constant_named: %empty { PushErrorContext(kConstantSyntax); ClearPendingString(); } ;
constant_value_done: %empty { ReplaceErrorContext(kMissingSemicolon); } ;
constant_declaration
  : IDENTIFIER constant_named '=' expression constant_value_done ';'
      { DeclareConstant(OwnedText($1), $4); PopErrorContext(); ClearPendingString(); }
  ;

type_keyword_seen: %empty { PushErrorContext(kTypeSyntax); } ;
type_named: %empty { BeginType(OwnedText($<text>0)); $<text>0 = nullptr; } ;
type_members_done: %empty { ReplaceErrorContext(kTypeNotEnded); } ;
type_declaration
  : KW_TYPE type_keyword_seen IDENTIFIER type_named type_members type_members_done KW_END
      { (void)$3; EndType(); PopErrorContext(); }
  ;
type_members
  : %empty
  | type_member
  | type_members type_member
  ;
type_member
  : command_declaration
  | constant_declaration
  | include_statement
  ;

node_keyword_seen: %empty { PushErrorContext(kNodeSyntax); } ;
node_typed: %empty { ReplaceErrorContext(kMissingSemicolon); } ;
node_declaration
  : KW_NODE node_keyword_seen NUMBER IDENTIFIER KW_TYPE IDENTIFIER node_typed ';'
      { DeclareNode(OwnedText($4), $3, OwnedText($6)); PopErrorContext(); }
  ;
this_node_keyword_seen: %empty { PushErrorContext(kNodeSyntax); } ;
this_node_typed: %empty { ReplaceErrorContext(kMissingSemicolon); } ;
node_declaration
  : KW_THIS_NODE this_node_keyword_seen KW_TYPE IDENTIFIER this_node_typed ';'
      { SelectNodeType(OwnedText($4)); PopErrorContext(); }
  ;

statement_named
  : %empty
      { BeginCommandStatement(*ResolveName(nullptr, OwnedText($<text>0)));
        $<text>0 = nullptr; ClearPendingString(); PushErrorContext(kStatementSyntax); }
  ;
qualified_statement_named
  : %empty
      { BeginCommandStatement(*ResolveName(OwnedText($<text>-2), OwnedText($<text>0)));
        $<text>-2 = nullptr; $<text>0 = nullptr; ClearPendingString(); PushErrorContext(kStatementSyntax); }
  ;
statement_operands_done: %empty { ReplaceErrorContext(kMissingSemicolon); } ;
qualified_name
  : IDENTIFIER                 { $$ = ResolveName(nullptr, OwnedText($1)); }
  | IDENTIFIER '.' IDENTIFIER  { $$ = ResolveName(OwnedText($1), OwnedText($3)); }
  ;
/* Operands and the names in expressions are written out rather than
   given rules of their own: each rule is a reduction more for every
   operand and name. */
operands
  : %empty
  | expression               { EmitOperand($1); }
  | operands ',' expression  { EmitOperand($3); }
  ;
expression
  : NUMBER                           { $$ = ExprNumber($1); }
  | STRING                           { $$ = ExprString(OwnedText($1)); }
  | IDENTIFIER                       { $$ = ExprName(*ResolveName(nullptr, OwnedText($1))); }
  | IDENTIFIER '.' IDENTIFIER        { $$ = ExprName(*ResolveName(OwnedText($1), OwnedText($3))); }
  | '$'                              { $$ = ExprDollar(); }
  | KW_SIZE '(' qualified_name ')'   { $$ = ExprSize(*$3); }
  | '-' expression %prec UMINUS      { $$ = ExprNegate($2); }
  | expression '*' expression        { $$ = ExprMultiply($1, $3); }
  | expression '/' expression        { $$ = ExprDivide($1, $3); }
  | expression '+' expression        { $$ = ExprAdd($1, $3); }
  | expression '-' expression        { $$ = ExprSubtract($1, $3); }
  | '(' expression ')'               { $$ = $2; }
  ;

end_statement
  : KW_END  { EndStatement(); }
  ;

%%

int yylex(void) { return qdl::NextParserToken(); }

void yyerror(const char* message) {
  /* Bison calls running out of stack "memory exhausted". */
  if (strcmp(message, "memory exhausted") == 0)
    qdl::ReportSyntaxError("pcyacc internal stack overflow");
  else
    qdl::ReportSyntaxError("syntax error");
}

int qdl::Parse() { return yyparse(); }
