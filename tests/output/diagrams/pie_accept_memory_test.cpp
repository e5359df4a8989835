/*
** pie_accept_memory_test.cpp: accepting a pie whose new definition cannot
** be allocated keeps the saved definition it was to replace. The program
** puts its own malloc in front of the C library's so that allocations can
** be refused for one call (not in sanitizer builds, whose allocator must
** see every block).
*/
#include <gtest/gtest.h>

#include <cstdlib>

#include "output/diagrams/pie_diagram.h"
#include "output/survey_fixture.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define PV_TEST_OWN_MALLOC 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define PV_TEST_OWN_MALLOC 0
#endif
#endif
#ifndef PV_TEST_OWN_MALLOC
#define PV_TEST_OWN_MALLOC 1
#endif

namespace {
/* While set, every malloc of the program answers null. */
bool g_refuse_malloc = false;
}  // namespace

#if PV_TEST_OWN_MALLOC
extern "C" void *__libc_malloc(size_t size);
extern "C" void *malloc(size_t size)
{
    return g_refuse_malloc ? nullptr : __libc_malloc(size);
}
#endif

namespace {

using PieAcceptMemory = SurveyTest;

TEST_F(PieAcceptMemory, AFailedAllocationKeepsTheSavedDefinitionItWasToReplace) {
  if (!PV_TEST_OWN_MALLOC) GTEST_SKIP() << "allocations cannot be refused under a sanitizer";
  pie_rec *old = pie_new();
  snprintf(old->name, sizeof old->name, "ASSAY");
  old->radius = 2;
  geo_->pies = old;
  make_row({{"CU", "1"}});
  ASSERT_EQ(pie_setup_from_row(row_), 0);
  g_pie.saved = 0;
  snprintf(g_pie.name, sizeof g_pie.name, "RENAMED");
  g_pie.radius = 1;
  g_refuse_malloc = true;
  int rc = pie_accept();
  g_refuse_malloc = false;
  EXPECT_EQ(rc, -9101);
  ASSERT_EQ(geo_->pies, old) << "the saved definition must stay";
  EXPECT_STREQ(old->name, "ASSAY");
  EXPECT_EQ(old->next, nullptr);
  EXPECT_EQ(geo_->flags & PJCT_CHG_PIES, 0u);
  pie_state_clear();
}

}  // namespace
