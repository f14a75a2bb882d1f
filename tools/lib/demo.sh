# Sourced. The demo shop: its database made from the sales schema and the demo
# customers (32 customers, 5 of them members already), and the connection
# files that name it.
#
#   demo_database PATH [EXAMPLES]   makes the database at PATH with the embedded
#                                   engine (isql-fb); EXAMPLES holds the two
#                                   scripts (default: tools/ of this tree)
#   demo_config DIR DATABASE [DRIVER]  writes dbxdrivers.ini and dbxconnections.ini
#                                   into DIR; DRIVER is the driver plugin's path
#                                   (default: found beside the executable)

demo_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

demo_database() {
  local database=$1 examples=${2:-$demo_top/tools} script log status=0
  script=$(mktemp)
  log=$(mktemp)
  {
    echo "CREATE DATABASE '$database' USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET NONE;"
    cat "$examples/sales-schema.sql" "$examples/demo-data.sql"
    echo "COMMIT;"
  } >"$script"
  isql-fb -q -sqldialect 3 -bail -i "$script" >"$log" 2>&1 || { status=$?; cat "$log" >&2; }
  rm -f "$script" "$log"
  return "$status"
}

demo_config() {
  local dir=$1 database=$2 driver=${3:-libdbxint.so}
  cat >"$dir/dbxdrivers.ini" <<INI
[Installed Drivers]
Interbase=1

[Interbase]
LibraryName=$driver
VendorLib=libfbclient.so.2
GetDriverFunc=getSQLDriverINTERBASE
INI
  cat >"$dir/dbxconnections.ini" <<INI
[Torvik]
DriverName=Interbase
Database=$database
RoleName=RoleName
User_Name=sysdba
Password=masterkey
ServerCharSet=
SQLDialect=3
BlobSize=-1
CommitRetain=False
WaitOnLocks=True
ErrorResourceFile=
LocaleCode=0000
Interbase TransIsolation=ReadCommited
Trim Char=False
INI
}
