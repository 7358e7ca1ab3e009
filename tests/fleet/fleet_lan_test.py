#!/usr/bin/env python3
"""The fleet engines against simulated devices, inside the test LAN's
workstation namespace: a real Prometheus scraping brevane-exporter, and
real Ansible playbooks running the brevane.nas collection.

    fleet_lan_test.py prometheus|ansible

Run by CTest through scripts/testlan (tests/fleet/CMakeLists.txt), with
BREVANE_DEVSIM, BREVANE_SCAN, BREVANE_CTL, BREVANE_EXPORTER and
BREVANE_COLLECTIONS (the built collection) in the environment.
"""

import json
import os
import re
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse
import urllib.request


def lan():
    """The LAN this test runs in, from the state file testlan names."""
    values = {}
    with open(os.environ["BREVANE_LAN_STATE"]) as f:
        for line in f:
            key, _, value = line.strip().partition("=")
            values[key] = value
    # Never outside the LAN's own workstation namespace.
    here = subprocess.run(["ip", "netns", "identify", str(os.getpid())],
                          stdout=subprocess.PIPE, text=True).stdout.strip()
    if here != values["BREVANE_LAN_WS_NS"]:
        sys.exit("fleet_lan_test: not inside the test LAN's workstation namespace")
    devices = []
    for k in range(1, int(values["BREVANE_LAN_DEVICES"]) + 1):
        devices.append((values["BREVANE_LAN_DEV%d_NS" % k], values["BREVANE_LAN_DEV%d_IP" % k]))
    return values["BREVANE_LAN_DIR"], devices


# Loopback only: no proxy from the environment.
HTTP = urllib.request.build_opener(urllib.request.ProxyHandler({}))


def get(url, timeout=5):
    with HTTP.open(url, timeout=timeout) as reply:
        return reply.status, reply.read().decode("utf-8")


class Device(object):
    """A simulated device in its namespace, for the life of the test."""

    def __init__(self, ns, ip, control, *args):
        self.ip = ip
        self.control_path = control
        if os.path.exists(control):
            os.unlink(control)
        self.process = subprocess.Popen(
            ["ip", "netns", "exec", ns, os.environ["BREVANE_DEVSIM"], "--control", control,
             "--exit-with-parent"] + list(args),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        end = time.time() + 10
        while True:
            try:
                if self.control("ping") == "":
                    break
            except OSError:
                if time.time() > end:
                    raise
                time.sleep(0.05)

    def control(self, command):
        with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
            s.settimeout(5)
            s.connect(self.control_path)
            s.sendall((command + "\n").encode())
            answer = b""
            while not answer.endswith(b"\n"):
                piece = s.recv(4096)
                if not piece:
                    break
                answer += piece
        answer = answer.decode().rstrip("\n")
        if not answer.startswith("ok"):
            raise RuntimeError("%s: %s" % (command, answer))
        return answer[3:]

    def stop(self):
        self.process.terminate()
        self.process.wait(10)


class Fleet(unittest.TestCase):
    """Devices d1..d3 the configuration or inventory names, d4 a look-alike it does not."""

    PASSWORD = "Fleet-Pw-71x"

    @classmethod
    def setUpClass(cls):
        cls.dir, hosts = lan()
        cls.tmp = tempfile.mkdtemp(dir=cls.dir)
        identities = [("NAS1", "2.1.07"), ("NAS2", "2.0.11"), ("NAS3", "2.0.11"),
                      ("NAS4", "2.0.11")]
        cls.devices = []
        for k, ((ns, ip), (name, firmware)) in enumerate(zip(hosts, identities)):
            cls.devices.append(Device(
                ns, ip, os.path.join(cls.tmp, "d%d.control" % (k + 1)), "--name", name,
                "--group", "OFFICE", "--firmware", firmware, "--password", cls.PASSWORD,
                "--account", "bob:Bob-Pw-1", "--restart-seconds", "2"))
        cls.processes = []

    @classmethod
    def tearDownClass(cls):
        for p in cls.processes:
            p.terminate()
            try:
                p.wait(10)
            except subprocess.TimeoutExpired:
                p.kill()
        for d in cls.devices:
            d.stop()

    @classmethod
    def start(cls, argv, log):
        cls.processes.append(subprocess.Popen(argv, stdout=log, stderr=subprocess.STDOUT))
        return cls.processes[-1]


class PrometheusLan(Fleet):
    EXPORTER = "127.0.0.1:19774"
    PROMETHEUS = "127.0.0.1:19090"

    def query(self, expr):
        url = "http://%s/api/v1/query?%s" % (self.PROMETHEUS, urllib.parse.urlencode({"query": expr}))
        status, body = get(url)
        answer = json.loads(body)
        self.assertEqual(answer["status"], "success", body)
        return {r["metric"].get("instance", ""): float(r["value"][1])
                for r in answer["data"]["result"]}

    def until(self, what, expr, test, seconds):
        end = time.time() + seconds
        while True:
            values = self.query(expr)
            if test(values):
                return values
            if time.time() > end:
                self.fail("%s: %s is %r after %d s" % (what, expr, values, seconds))
            time.sleep(0.1)

    def test_prometheus_scrapes_the_exporter(self):
        d1, d2, d3, d4 = self.devices
        config = os.path.join(self.tmp, "exporter.yml")
        fd = os.open(config, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
        with os.fdopen(fd, "w") as f:
            f.write("auths:\n  office:\n    password: %s\ntargets:\n" % self.PASSWORD)
            for d in (d1, d2, d3):
                f.write("  %s: office\n" % d.ip)
        log = open(os.path.join(self.tmp, "exporter.log"), "w")
        self.start([os.environ["BREVANE_EXPORTER"], "--config.file", config,
                    "--web.listen-address", self.EXPORTER], log)

        # The targets as brevane-scan finds them: all four, the look-alike too.
        scan = subprocess.run([os.environ["BREVANE_SCAN"], "--prometheus", "--seconds", "1"],
                              stdout=subprocess.PIPE, text=True, check=True)
        groups = json.loads(scan.stdout)
        self.assertEqual(sorted(g["targets"][0] for g in groups),
                         sorted(d.ip for d in self.devices))
        targets = os.path.join(self.tmp, "brevane.json")
        with open(targets, "w") as f:
            f.write(scan.stdout)

        rules = os.path.join(os.environ["BREVANE_SOURCE_DIR"], "data/prometheus/brevane.rules.yml")
        prometheus_yml = os.path.join(self.tmp, "prometheus.yml")
        with open(prometheus_yml, "w") as f:
            f.write("""
global: {scrape_interval: 1s, scrape_timeout: 1s, evaluation_interval: 1s}
rule_files: [%s]
scrape_configs:
  - job_name: brevane
    metrics_path: /probe
    file_sd_configs: [{files: [%s], refresh_interval: 1s}]
    relabel_configs:
      - {source_labels: [__address__], target_label: __param_target}
      - {source_labels: [__param_target], target_label: instance}
      - {target_label: __address__, replacement: "%s"}
  - job_name: brevane_exporter
    static_configs: [{targets: ["%s"]}]
""" % (rules, targets, self.EXPORTER, self.EXPORTER))
        log = open(os.path.join(self.tmp, "prometheus.log"), "w")
        self.start(["prometheus", "--config.file", prometheus_yml,
                    "--storage.tsdb.path", os.path.join(self.tmp, "tsdb"),
                    "--web.listen-address", self.PROMETHEUS, "--log.level", "warn"], log)
        end = time.time() + 30
        while True:
            try:
                if get("http://%s/-/ready" % self.PROMETHEUS)[0] == 200:
                    break
            except OSError:
                pass
            self.assertLess(time.time(), end, "Prometheus did not start")
            time.sleep(0.2)

        # Every target scraped, through the HTTP API.
        up = self.until("scraped", 'up{job="brevane"}', lambda v: len(v) == 4, 20)
        self.assertEqual(up, dict((d.ip, 1.0) for d in self.devices))
        self.assertEqual(self.until("exporter", 'up{job="brevane_exporter"}',
                                    lambda v: len(v) == 1, 10), {self.EXPORTER: 1.0})
        self.assertEqual(self.query("brevane_up"),
                         {d1.ip: 1.0, d2.ip: 1.0, d3.ip: 1.0, d4.ip: 0.0})
        self.assertEqual(self.query("brevane_probe_credentials"),
                         {d1.ip: 1.0, d2.ip: 1.0, d3.ip: 1.0, d4.ip: 0.0})
        self.assertEqual(self.query("brevane_probe_http_status_code")[d4.ip], 401)
        self.assertEqual(self.query('brevane_info{firmware="2.0.11"}'), {d2.ip: 1.0, d3.ip: 1.0})
        self.assertEqual(self.query('brevane_info{name="NAS1",group="OFFICE"}'), {d1.ip: 1.0})
        size = self.query("brevane_disk_size_bytes")
        self.assertEqual(sorted(size), sorted([d1.ip, d2.ip, d3.ip]))
        self.assertTrue(all(v > 1e9 for v in size.values()), size)
        self.assertEqual(set(self.query("brevane_ftp_enabled").values()), {1.0})

        # The look-alike was asked, but never with credentials; the named
        # devices were.
        self.assertGreater(int(d4.control("http-requests /utility_use.htm")), 0)
        self.assertEqual(d4.control("requests-with-credentials"), "0")
        self.assertGreater(int(d1.control("requests-with-credentials")), 0)

        # A device that stops answering (it takes the connection and says
        # nothing) is down by the next scrape: the probe gives up within
        # the scrape's timeout, so the scrape itself still succeeds.
        d2.control("fault hold 100000")
        silenced = time.time()
        self.until("silenced", 'brevane_up{instance="%s"}' % d2.ip,
                   lambda v: v.get(d2.ip) == 0.0, 4)
        took = time.time() - silenced
        self.assertEqual(self.query('up{job="brevane"}')[d2.ip], 1.0)
        self.assertLessEqual(
            self.query('brevane_probe_duration_seconds{instance="%s"}' % d2.ip)[d2.ip], 0.9)
        self.assertEqual(self.query("brevane_up")[d1.ip], 1.0)
        print("silenced device at brevane_up 0 after %.1f s (scrape interval 1 s)" % took)


def recap(output):
    """ansible-playbook's PLAY RECAP, host by host: {host: {ok: n, changed: n, ...}}."""
    hosts = {}
    for line in output.split("PLAY RECAP")[-1].splitlines():
        m = re.match(r"^(\S+)\s+:\s+(.*)$", line.strip())
        if m:
            hosts[m.group(1)] = dict((k, int(v)) for k, v in re.findall(r"(\w+)=(\d+)", m.group(2)))
    return hosts


class AnsibleLan(Fleet):
    FOLDER_PASSWORD = "Fold-Pw-93q"  # a device takes 12 characters at most

    def setUp(self):
        self.home = os.path.join(self.tmp, "ansible")
        os.makedirs(self.home, exist_ok=True)
        self.env = dict(os.environ, ANSIBLE_HOME=self.home,
                        ANSIBLE_COLLECTIONS_PATH=os.environ["BREVANE_COLLECTIONS"],
                        ANSIBLE_LOCAL_TEMP=os.path.join(self.home, "tmp"),
                        ANSIBLE_PYTHON_INTERPRETER=sys.executable, ANSIBLE_NOCOLOR="1",
                        ANSIBLE_RETRY_FILES_ENABLED="0", ANSIBLE_CALLBACK_RESULT_FORMAT="json",
                        PATH=os.path.dirname(os.environ["BREVANE_CTL"]) + os.pathsep +
                        os.path.dirname(os.environ["BREVANE_SCAN"]) + os.pathsep + os.environ["PATH"])
        self.inventory = os.path.join(self.tmp, "office.brevane.yml")
        with open(self.inventory, "w") as f:
            # Cached: a play after the first takes the scan's devices from
            # the cache, without a second of discovery.
            f.write("plugin: brevane.nas.scan\nseconds: 1\naddresses: [%s]\ncache: true\n"
                    "cache_plugin: ansible.builtin.jsonfile\ncache_connection: %s\n"
                    % (", ".join(d.ip for d in self.devices[:3]),
                       os.path.join(self.tmp, "inventory-cache")))
        self.vars = os.path.join(self.tmp, "vars.json")
        with open(self.vars, "w") as f:
            json.dump(dict(nas_password=self.PASSWORD, folder_password=self.FOLDER_PASSWORD), f)

    def playbook(self, name, text, *args):
        path = os.path.join(self.tmp, name)
        with open(path, "w") as f:
            f.write(text)
        run = subprocess.run(["ansible-playbook", "-i", self.inventory, "-e", "@" + self.vars,
                              path] + list(args), env=self.env, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT, text=True)
        return run.returncode, run.stdout

    def setup_play(self, setup):
        """A play of brevane.nas.setup a host."""
        return """
- hosts: brevane
  gather_facts: false
  tasks:
    - brevane.nas.setup: {address: "{{ brevane_address }}", password: "{{ nas_password }}",
                          setup: %s, new_password: "{{ folder_password }}"}
      delegate_to: localhost
""" % json.dumps(setup)

    def batches(self, *setups):
        """A play of one batch a setup, in turn, failures ignored; the results.

        A setup is (setup, whether the task gives new_password[, "act"
        where it runs even in check mode])."""
        tasks = "".join("""
    - brevane.nas.setup: {batch: true, password: "{{ nas_password }}", setup: %s%s}
      delegate_to: localhost
      run_once: true
      ignore_errors: true%s
      register: r%d""" % (json.dumps(setup[0]), ', new_password: "{{ folder_password }}"'
                          if setup[1] else "", "\n      check_mode: false"
                          if setup[2:] == ("act",) else "", k)
                        for k, setup in enumerate(setups))
        return """
- hosts: brevane
  gather_facts: false
  tasks:%s
    - ansible.builtin.copy: {dest: %s, content: "{{ [%s] | to_json }}"}
      delegate_to: localhost
      run_once: true
      check_mode: false
      changed_when: false
""" % (tasks, os.path.join(self.tmp, "results.json"),
       ", ".join("r%d" % k for k in range(len(setups))))

    def results(self):
        with open(os.path.join(self.tmp, "results.json")) as f:
            return json.load(f)

    def commands(self):
        return [int(d.control("commands")) for d in self.devices]

    def test_1_the_inventory_lists_what_a_scan_finds(self):
        run = subprocess.run(["ansible-inventory", "-i", self.inventory, "--list"], env=self.env,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)
        inventory = json.loads(run.stdout)
        self.assertEqual(sorted(inventory["brevane"]["hosts"]), ["NAS1", "NAS2", "NAS3", "NAS4"])
        self.assertEqual(sorted(inventory["brevane_OFFICE"]["hosts"]),
                         ["NAS1", "NAS2", "NAS3", "NAS4"])
        hostvars = inventory["_meta"]["hostvars"]
        # (What a device answers is kept from templating: Ansible lists it so.)
        for d, host in zip(self.devices, ["NAS1", "NAS2", "NAS3", "NAS4"]):
            self.assertEqual(hostvars[host]["brevane_address"], d.ip)
            self.assertEqual(hostvars[host]["brevane_via"], {"__ansible_unsafe": "lan0"})
            self.assertEqual(hostvars[host]["brevane_address_named"], host != "NAS4")
        self.assertEqual(hostvars["NAS2"]["brevane_firmware"], {"__ansible_unsafe": "2.0.11"})
        doc = subprocess.run(["ansible-doc", "brevane.nas.setup"], env=self.env,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.assertEqual(doc.returncode, 0, doc.stdout)
        self.assertIn("new_password", doc.stdout)
        self.assertIn("run_once", doc.stdout)

    def test_2_a_setup_is_applied_once_and_then_nothing_is_sent(self):
        d4 = self.devices[3]
        # No "names": the devices keep theirs.
        setup = {"brevane_setup": 1,
                 "folders": [{"name": "PUBLIC", "shared": True},
                             {"name": "scans", "shared": True, "protected": True}],
                 "ftp": {"enabled": False}, "accounts": [{"name": "amy", "folders": ["scans"]}],
                 "disk": {"sleep_minutes": 30}}
        before = self.commands()
        status, out = self.playbook("setup.yml", self.setup_play(setup), "-vvv")
        # The look-alike's task fails before anything is sent; the others change.
        self.assertEqual(status, 2, out)
        hosts = recap(out)
        for host in ("NAS1", "NAS2", "NAS3"):
            self.assertEqual(hosts[host]["changed"], 1, out)
            self.assertEqual(hosts[host]["failed"], 0, out)
        self.assertEqual(hosts["NAS4"]["failed"], 1, out)
        self.assertIn("no credentials go there", out)
        self.assertEqual(d4.control("requests-with-credentials"), "0")
        self.assertEqual(d4.control("http-requests /utility_use.htm"), "0")
        # Not a password anywhere in what -vvv shows.
        self.assertNotIn(self.PASSWORD, out)
        self.assertNotIn(self.FOLDER_PASSWORD, out)
        for k, d in enumerate(self.devices[:3]):
            # The one new password, read once, for the folder and the account.
            self.assertEqual(d.control("get share-password scans"), self.FOLDER_PASSWORD)
            self.assertEqual(d.control("get ftp_ac_list").count(self.FOLDER_PASSWORD), 1)
            # (The page writes this value on a line of its own, without its CR.)
            self.assertEqual(d.control("get disk_idle_value").split('"')[0], "30")
            self.assertEqual(d.control("get host_name"), "NAS%d" % (k + 1))
        self.assertGreater(self.commands()[0], before[0])

        # Again, as one batch for the play: nothing to change, no command on
        # any device, each host's result of its own. Then bob's folders
        # (none) are read from his page, which the devices do not show: a
        # request each, but no change.
        before = self.commands()
        bob = dict(setup, accounts=setup["accounts"] + [{"name": "bob", "folders": []}])
        status, out = self.playbook("batch.yml", self.batches((setup, True), (bob, True)),
                                    "--limit", "NAS1,NAS2,NAS3")
        self.assertEqual(status, 0, out)
        # (The recap counts a batch's task once, for the first host.)
        self.assertEqual(recap(out)["NAS1"]["changed"], 0, out)
        self.assertEqual([c - b for c, b in zip(self.commands(), before)], [1, 1, 1, 0])
        unchanged, read = self.results()
        self.assertEqual(sorted(unchanged["hosts"]), ["NAS1", "NAS2", "NAS3"])
        for k, d in enumerate(self.devices[:3]):
            said = {"address": d.ip, "ok": True, "changed": False, "changes": [], "sent": 0}
            self.assertEqual(unchanged["hosts"]["NAS%d" % (k + 1)], said)
            self.assertEqual(read["hosts"]["NAS%d" % (k + 1)], dict(said, sent=1))
        before = self.commands()

        # --check --diff: the plan shown, with what it would read (amy's page,
        # now that bob's is shown) and which password it takes, and nothing
        # sent. A plan that the run would fail fails in check mode as well:
        # one the device's rules refuse, one whose new password is missing.
        # Then the batch acts: one new password for every device.
        setup["folders"].append({"name": "music", "shared": False, "protected": True})
        setup["accounts"].append({"name": "bob", "folders": ["music"]})
        too_long = dict(setup, folders=setup["folders"] + [{"name": "far too long a name",
                                                            "shared": True}])
        status, out = self.playbook(
            "batch.yml",
            self.batches((setup, True), (too_long, True), (setup, False), (setup, True, "act")),
            "--check", "--diff", "--limit", "NAS1,NAS2,NAS3")
        self.assertEqual(status, 0, out)
        for k, d in enumerate(self.devices[:3]):
            self.assertIn("NAS%d (%s):\nfolder music: create\nfolder music: password\n"
                          "account bob: give music\n"
                          "account amy: its folders are read from its own page first (a request)"
                          "\nnew password for folder music\n" % (k + 1, d.ip), out)
        planned, refused, no_password, acted = self.results()
        self.assertFalse(planned.get("failed"), planned)
        self.assertIn("at most 12 characters", refused["hosts"]["NAS2"]["msg"])
        self.assertIn("the setup needs new_password, for folder music",
                      no_password["hosts"]["NAS3"]["msg"])
        self.assertTrue(refused["failed"] and no_password["failed"])
        self.assertTrue(acted["changed"] and not acted.get("failed"), acted)
        # What the devices were sent is what the acting batch says it sent:
        # the plans sent nothing.
        self.assertEqual([c - b for c, b in zip(self.commands(), before)],
                         [acted["hosts"]["NAS%d" % k]["sent"] for k in (1, 2, 3)] + [0])
        for d in self.devices[:3]:
            self.assertEqual(d.control("get share-password music"), self.FOLDER_PASSWORD)

    def test_3_firmware_where_the_version_differs_facts_and_a_restart(self):
        image = os.path.join(self.tmp, "nas-2.1.07.bin")
        with open(image, "wb") as f:
            f.write(os.urandom(64 * 1024))
        # One playbook for both (each run of Ansible costs seconds): a
        # rolling update, then NAS1's facts and a restart.
        play = """
- hosts: brevane
  gather_facts: false
  serial: 2
  max_fail_percentage: 0
  tasks:
    - brevane.nas.firmware:
        address: "{{ brevane_address }}"
        password: "{{ nas_password }}"
        version: "2.1.07"
        image: %s
        wait_seconds: 60
      delegate_to: localhost
      register: firmware
    - ansible.builtin.assert:
        that: firmware.changed == (inventory_hostname in ["NAS2", "NAS3"])
- hosts: NAS1
  gather_facts: false
  tasks:
    - brevane.nas.info: {address: "{{ brevane_address }}", password: "{{ nas_password }}"}
      delegate_to: localhost
    - ansible.builtin.assert:
        that:
          - brevane_nas.status.host_name == "NAS1"
          - brevane_nas.status.ip_address == brevane_address
          - brevane_nas.addresses.subnet_mask == "255.255.255.0"
          - brevane_nas.setup.brevane_setup == 1
          - "'PUBLIC' in (brevane_nas.setup.folders | map(attribute='name'))"
    - brevane.nas.power: {address: "{{ brevane_address }}", password: "{{ nas_password }}",
                          wait_seconds: 60}
      delegate_to: localhost
      register: restarted
    - ansible.builtin.assert:
        that: [restarted.changed, restarted.firmware == brevane_nas.status.firmware]
      when: not ansible_check_mode
""" % image
        d1, d2, d3 = self.devices[:3]

        def since(before):
            return [d1.control("command %d" % n)
                    for n in range(before, int(d1.control("commands")))]

        # Check mode uploads nothing; reading the accounts' folders selects
        # their pages, and nothing else is sent.
        before = int(d1.control("commands"))
        status, out = self.playbook("firmware.yml", play, "--check", "--limit", "NAS1,NAS2,NAS3")
        self.assertEqual(status, 0, out)
        self.assertEqual([d.control("get firmware-upload") for d in self.devices[:3]],
                         [" 0", " 0", " 0"])
        self.assertTrue(all("type=ftps_userid_set" in c for c in since(before)), since(before))
        before = int(d1.control("commands"))
        status, out = self.playbook("firmware.yml", play, "--limit", "NAS1,NAS2,NAS3")
        self.assertEqual(status, 0, out)
        self.assertEqual(sum(c["failed"] for c in recap(out).values()), 0, out)
        self.assertEqual(d1.control("get firmware-upload"), " 0")
        self.assertTrue(d2.control("get firmware-upload").endswith("/nas-2.1.07.bin 65536"))
        for d in (d1, d2, d3):
            self.assertEqual(d.control("get firm_ver"), "2.1.07")
        self.assertEqual(sum("type=reboot" in c for c in since(before)), 1, since(before))


if __name__ == "__main__":
    which = sys.argv.pop(1)
    suite = unittest.TestLoader().loadTestsFromTestCase(
        {"prometheus": PrometheusLan, "ansible": AnsibleLan}[which])
    if which == "ansible":
        # The collection's own tests need no LAN, but the same Ansible.
        sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
        import collection_test
        collection_test.COLLECTIONS = os.environ["BREVANE_COLLECTIONS"]
        suite.addTests(unittest.TestLoader().loadTestsFromTestCase(collection_test.Collection))
    sys.exit(0 if unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful() else 1)
