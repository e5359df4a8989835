/*
** dump_test.cpp: the debug dumps of the link client's objects on the
** host's text screen, read back from the stand-in editor's transcript.
*/
#include <string>

#include "ase_fixture.h"
#include "linkclient/ase_coldsc.h"
#include "linkclient/ase_dbrow.h"
#include "linkclient/ase_list.h"
#include "linkclient/ase_resbuf.h"
#include "linkclient/ase_str.h"
#include "platform/host_io.h"

namespace {

/* What obj.print() writes on the text screen. */
std::string dump(const CAseObj &obj)
{
    host_io_set_echo(false);
    host_io_clear_transcript();
    obj.print();
    return host_io_transcript();
}

} // namespace

TEST(AseDump, ErrorListWithAndWithoutItems)
{
    CatalogErrList errs;
    EXPECT_EQ(dump(errs), "\nNo Errors, everything is 8-)");
    errs.add(8, 902);
    errs.addTextItem(ASE_ITEM_TABLE, "SAMPLE");
    std::string out = dump(errs);
    EXPECT_EQ(out.rfind("\nERRORS QUANTITY 1\nerrDsc=8, errCode=902\nCategory==8\nCode==902\n", 0), 0u) << out;
    EXPECT_NE(out.find("\nTable==SAMPLE"), std::string::npos) << out;
    EXPECT_EQ(out.substr(out.size() - 8), "\n*******");
}

TEST(AseDump, ChainListDescriptorAndRow)
{
    CAseErrList errs;
    CAseResBuf rb(&errs);
    rb.attach(ads_buildlist(RTSTR, "x", RTLONG, 7, 0));
    std::string out = dump(rb);
    EXPECT_EQ(out.rfind("\nCAseResBuf: elements=2 head=", 0), 0u) << out;
    EXPECT_NE(out.find("\n0 type=5005 RTSTR x\n1 type=5010 RTLONG 7\nCAseResBuf END"), std::string::npos) << out;

    CAseList list(&errs, 4);
    CAseStr *s = new CAseStr(&errs);
    s->setAt(0, "a");
    list.append(s);
    EXPECT_EQ(dump(list), "\nCAseList: elements=1 blocksize=4\nPage=0 First=0 Count=1\n0 isA=5\nCAseList END");

    CAseColDsc d(&errs);
    d.setName("k");
    d.setType(4);
    EXPECT_EQ(dump(d), "\nCAseColDsc:  Name=K Type=4 RetType=5010 Prec=0 Scale=0 DType=0 Status=1024");

    CAseDbRow row(&errs, 1);
    EXPECT_EQ(dump(row), "\n***CAseDbRow::PRINT N0\nCAseDbRow::ROW IS EMPTY");
}
