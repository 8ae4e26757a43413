# Fills a stopped Samba domain controller's directory with computers, straight
# through Samba's own database layer (far faster than over LDAP):
#   fill_directory.py <smb.conf> <count> [<page of disabled: every n-th>]
# The computers are spread over nested organisational units; every 7th account
# is disabled and every 11th carries no dNSHostName (only its name). What the
# tests expect is derived from the same rules (see directory_test_win.cpp).
import sys

from samba.auth import system_session
from samba.param import LoadParm
from samba.samdb import SamDB


def main():
    conf, count = sys.argv[1], int(sys.argv[2])
    lp = LoadParm()
    lp.load(conf)
    db = SamDB(url=lp.private_path("sam.ldb"), session_info=system_session(), lp=lp)
    base = str(db.domain_dn())
    dns_domain = lp.get("realm").lower()
    # Three levels of organisational units, four branches each at the top.
    units = []
    db.transaction_start()
    try:
        for site in range(4):
            site_dn = "OU=Site%d,%s" % (site, base)
            db.add({"dn": site_dn, "objectClass": "organizationalUnit"})
            floor_dn = "OU=Floor,%s" % site_dn
            db.add({"dn": floor_dn, "objectClass": "organizationalUnit"})
            room_dn = "OU=Room,%s" % floor_dn
            db.add({"dn": room_dn, "objectClass": "organizationalUnit"})
            units += [site_dn, floor_dn, room_dn]
        for n in range(1, count + 1):
            name = "PC%05d" % n
            disabled = n % 7 == 0
            entry = {
                "dn": "CN=%s,%s" % (name, units[n % len(units)]),
                "objectClass": "computer",
                "sAMAccountName": name + "$",
                "userAccountControl": str(4096 | (2 if disabled else 0)),
                "operatingSystem": "Windows 11 Enterprise",
            }
            if n % 11 != 0:
                entry["dNSHostName"] = "%s.%s" % (name.lower(), dns_domain)
            db.add(entry)
        db.transaction_commit()
    except Exception:
        db.transaction_cancel()
        raise


main()
