// The start-up that the tests of the program's material table run before
// each test: the program's globals, the spring data and the table engine
// with its expression, index and memo layers and the browser.
#pragma once

#include "common/globals.h"
#include "spring/material.h"
#include "spring/springdata.h"
#include "tables/area/engine.h"
#include "tables/browser/browsermodel.h"
#include "tables/expr/expression.h"
#include "tables/index/orders.h"
#include "tables/memo/memoarea.h"

namespace kor2::test {

inline void StartSpringTables() {
    InitProgramVariables();
    InitSpringData();
    ResetMaterialRecord();
    InitTableEngine();
    InitExprParser();
    IndexInit();
    InitMemoUnit();
    InitEngineTexts();
    InitW32Tables();
}

}  // namespace kor2::test
